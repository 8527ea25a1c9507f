/* kelvara/sim/KelvaraSim.h compiles as strict C11. */
#include "kelvara/sim/KelvaraSim.h"

int32_t KelvaraSimHeaderCheck(void);

int32_t KelvaraSimHeaderCheck(void) {
  const KelvaraSim_Address address = {KelvaraSim_kSerial, 0, 0, "/dev/ttyS0",
                                      10};
  KelvaraSim_Quaternion orientation;
  return KelvaraSim_Kinetra_GetOrientation(&address, &orientation);
}
