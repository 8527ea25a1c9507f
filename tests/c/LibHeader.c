/* kelvara/KelvaraLib.h compiles on its own as strict C11: the build fails on
   any warning. */
#include "kelvara/KelvaraLib.h"
