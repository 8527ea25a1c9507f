/* kelvara/KelvaraLib.h compiles as strict C11. */
#include "kelvara/KelvaraLib.h"

int32_t KelvaraLibHeaderCheck(void);

int32_t KelvaraLibHeaderCheck(void) {
  KelvaraLib_KinetraData data;
  return KelvaraLib_Kinetra_GetData(
      KelvaraLib_Kinetra_OpenUsb(KelvaraLib_kNoUsbPort, 0), &data);
}
