/* kelvara/sim/KelvaraSim.h compiles on its own as strict C11: the build fails
   on any warning. */
#include "kelvara/sim/KelvaraSim.h"
