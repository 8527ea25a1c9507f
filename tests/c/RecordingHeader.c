/* kelvara/testing/KelvaraRecording.h compiles as strict C11. */
#include "kelvara/testing/KelvaraRecording.h"

int32_t KelvaraRecordingHeaderCheck(void);

int32_t KelvaraRecordingHeaderCheck(void) {
  KelvaraRecording_Call calls[2];
  char text[16];
  uint64_t count = 0;
  uint64_t textLength = 0;
  return KelvaraRecording_GetCalls(KelvaraRecording_kAllFunctions, calls, 2,
                                   text, sizeof text, &count, &textLength);
}
