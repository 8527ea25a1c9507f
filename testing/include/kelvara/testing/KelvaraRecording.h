/** @file
 * The recording driver's control interface as C functions, which test
 * programs built with any compiler and standard library can call. The C++
 * class kelvara::testing::RecordingDriver is inline code over these; the
 * behaviour of each function is documented at the member it serves.
 *
 * A driver function is named by its number: its place, from 0, in the list
 * of the driver's functions (kelvara::testing::DriverFunction), 37 in all.
 * Every function returns a KelvaraRecording_Result code and writes its
 * answer, if any, only on KelvaraRecording_kOk; what a function is given is
 * copied before it returns. All functions may be called from any thread.
 */
#pragma once

#include <stdint.h>

#include "kelvara/Export.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Result codes of the control functions. */
enum KelvaraRecording_Result {
  /** Done. */
  KelvaraRecording_kOk = 0,
  /** A function number out of range, or a null pointer with a non-zero
      size; nothing changed. */
  KelvaraRecording_kInvalidArgument = 1,
  /** Memory ran out; nothing changed. */
  KelvaraRecording_kOutOfMemory = 2,
  /** Any other failure inside the recording driver. */
  KelvaraRecording_kFailed = 3
};

/** The function number that KelvaraRecording_GetCalls takes for all. */
enum { KelvaraRecording_kAllFunctions = -1 };

/** The most arguments that one recorded call holds. */
enum { KelvaraRecording_kMaxArguments = 4 };

/** What a recorded argument holds (kelvara::testing::DriverArgument). */
enum KelvaraRecording_ArgumentKind {
  /** A 32-bit integer, in integer. */
  KelvaraRecording_kInteger = 0,
  /** The zone mask, in unsignedInteger. */
  KelvaraRecording_kUnsigned = 1,
  /** The distance, in number. */
  KelvaraRecording_kNumber = 2,
  /** A serial path: textLength bytes at textOffset of the text buffer. */
  KelvaraRecording_kText = 3
};

/** One recorded argument. */
/* C names a struct type by typedef; "using" is C++ only. */
// NOLINTNEXTLINE(modernize-use-using)
typedef struct KelvaraRecording_Argument {
  /** A KelvaraRecording_ArgumentKind. */
  int32_t kind;
  /** The value of a KelvaraRecording_kInteger argument. */
  int64_t integer;
  /** The value of a KelvaraRecording_kUnsigned argument. */
  uint64_t unsignedInteger;
  /** The value of a KelvaraRecording_kNumber argument. */
  double number;
  /** Where a KelvaraRecording_kText argument's bytes start in the text
      buffer. */
  uint64_t textOffset;
  /** The number of those bytes (no terminating zero). */
  uint64_t textLength;
} KelvaraRecording_Argument;

/** One recorded call (kelvara::testing::DriverCall). */
/* C names a struct type by typedef; "using" is C++ only. */
// NOLINTNEXTLINE(modernize-use-using)
typedef struct KelvaraRecording_Call {
  /** The function's number. */
  int32_t function;
  /** The number of arguments in use, from the first. */
  int32_t argumentCount;
  /** The arguments in the driver's order. */
  KelvaraRecording_Argument arguments[KelvaraRecording_kMaxArguments];
} KelvaraRecording_Call;

/** Forgets every recorded call and every programmed answer. */
KELVARA_EXPORT int32_t KelvaraRecording_Reset(void);
/** Makes every later call of the function return result. */
KELVARA_EXPORT int32_t KelvaraRecording_SetResult(int32_t function,
                                                  int32_t result);
/** Makes the next count calls of the function return these results. */
KELVARA_EXPORT int32_t KelvaraRecording_QueueResults(int32_t function,
                                                     const int32_t* results,
                                                     uint64_t count);
/** Makes every later call of a buffer-filling function copy size bytes. */
KELVARA_EXPORT int32_t KelvaraRecording_SetRecord(int32_t function,
                                                  const uint8_t* bytes,
                                                  uint64_t size);
/** Queues size bytes for the next call of a buffer-filling function. */
KELVARA_EXPORT int32_t KelvaraRecording_QueueRecord(int32_t function,
                                                    const uint8_t* bytes,
                                                    uint64_t size);
/** Makes every later call of a buffer-filling function first fill the
    buffer with marker. */
KELVARA_EXPORT int32_t KelvaraRecording_SetFill(int32_t function,
                                                uint8_t marker);
/** Makes the create functions write status through their status pointer. */
KELVARA_EXPORT int32_t KelvaraRecording_SetCreateStatus(int32_t status);
/**
 * The calls of a function (or of all with KelvaraRecording_kAllFunctions),
 * oldest first. Sets *count to their number and *textLength to the bytes
 * their paths take; copies the calls into calls and the paths into text only
 * when both fit (count <= capacity, textLength <= textCapacity), and else
 * nothing: call again with room for what was reported.
 */
KELVARA_EXPORT int32_t KelvaraRecording_GetCalls(
    int32_t function, KelvaraRecording_Call* calls, uint64_t capacity,
    char* text, uint64_t textCapacity, uint64_t* count, uint64_t* textLength);
/** How many times the function was called. */
KELVARA_EXPORT int32_t KelvaraRecording_CountOf(int32_t function,
                                                uint64_t* count);
/** Forgets the recorded calls; programmed answers stay. */
KELVARA_EXPORT int32_t KelvaraRecording_ClearCalls(void);

#ifdef __cplusplus
}  // extern "C"
#endif
