/*
 * KELVARA_EXPORT marks the functions that KelvaraLib's shared libraries
 * export: their C interface, which any compiler and standard library can
 * call. Everything else in those libraries is hidden.
 */
#pragma once

#if defined(_WIN32)
#if defined(KELVARA_EXPORTING)
#define KELVARA_EXPORT __declspec(dllexport)
#else
/* Functions need no dllimport: the import library's stubs reach them. */
#define KELVARA_EXPORT
#endif
#else
#define KELVARA_EXPORT __attribute__((visibility("default")))
#endif
