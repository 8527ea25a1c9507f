/**
 * @file
 * KelvaraLib's binary interface: the C functions that libKelvaraLib exports.
 * Any C or C++ compiler, with any standard library, can call them. The C++
 * classes (kelvara/Kinetra.hpp and the others) are inline code over these
 * functions; robot programs use those.
 *
 * Devices are known by the int32_t handle that an Open function returns;
 * KelvaraLib_<device>_Destroy releases it (0, the handle of no device,
 * included). A function returning int32_t without further note returns the
 * driver's result code: 0 for success, any other value a failure whose
 * meaning is the driver's; an out record holds an answer only after 0.
 * Strings are a pointer and a length in bytes. No C++ exception leaves these
 * functions: an Open...Serial function reports what it caught as a
 * KelvaraLib_Result. Nothing that one side allocates is freed by the other.
 */
#pragma once

#include <stdbool.h>
#include <stddef.h>
#include <stdint.h>

#include "kelvara/Export.h"

#ifdef __cplusplus
extern "C" {
#endif

/* C declares its records with typedef. */
/* NOLINTBEGIN(modernize-use-using) */

/** What a function that can fail inside the library reports. */
typedef enum KelvaraLib_Result {
  /** Done. */
  KelvaraLib_kOk = 0,
  /** Memory could not be allocated; nothing was done. */
  KelvaraLib_kOutOfMemory = 1,
  /** Any other failure inside the library; nothing was done. */
  KelvaraLib_kFailed = 2
} KelvaraLib_Result;

/** The USB port number that names no port (any port the driver chooses). */
enum { KelvaraLib_kNoUsbPort = -1 };

/** A device's firmware version, most significant number first. */
typedef struct KelvaraLib_FirmwareVersion {
  int32_t major; /**< The major version. */
  int32_t minor; /**< The minor version. */
  int32_t patch; /**< The patch level. */
} KelvaraLib_FirmwareVersion;

/**
 * One IMU sample, with exactly the layout of the driver's record, which the
 * driver writes in place. Bit n of validMask set: group n holds a valid
 * value (0x001 yaw, 0x002 pitch and roll, 0x004 angle, 0x008 and 0x010 the
 * six- and nine-axis quaternions, 0x020 angular velocity, 0x040 linear
 * acceleration, 0x080 magnetic field, 0x100 algorithm state, 0x200
 * temperature); the time fields are valid when any of these is. Fields of
 * groups that are not valid, and the reserved bytes, must not be read.
 */
typedef struct KelvaraLib_KinetraData {
  uint32_t validMask;           /**< The groups that hold a valid value. */
  uint8_t reserved0[4];         /**< Not to be read. */
  int64_t timestampNs;          /**< Time of the sample in nanoseconds. */
  int32_t timeSynced;           /**< Nonzero: the time is synchronised. */
  uint8_t reserved1[4];         /**< Not to be read. */
  double yaw;                   /**< Degrees. */
  double pitch;                 /**< Degrees. */
  double roll;                  /**< Degrees. */
  double angle;                 /**< The continuous angle in degrees. */
  double quaternion6d[4];       /**< w, x, y, z. */
  double quaternion9d[4];       /**< w, x, y, z. */
  double angularVelocity[3];    /**< Radians per second, x, y, z. */
  double linearAcceleration[3]; /**< Metres per second squared, x, y, z. */
  double magneticField[4];      /**< Microtesla x, y, z, then the strength. */
  double algorithmVector[3];    /**< The algorithm's state vector. */
  int32_t algorithmFlag0;       /**< Nonzero: set. */
  int32_t algorithmFlag1;       /**< Nonzero: set. */
  double algorithmValue0;       /**< The algorithm's first further value. */
  double algorithmValue1;       /**< Its second. */
  double algorithmValue2;       /**< Its third. */
  double algorithmValue3;       /**< Its fourth. */
  double temperature;           /**< Degrees Celsius. */
} KelvaraLib_KinetraData;

/** The IMU's sensor identifier, its words in the device's order. */
typedef struct KelvaraLib_KinetraSensorUuid {
  uint32_t words[3]; /**< The three words. */
} KelvaraLib_KinetraSensorUuid;

/** The eight values of an IMU self-test, in the device's order. */
typedef struct KelvaraLib_KinetraSelfTest {
  int32_t results[8]; /**< The values, bit for bit. */
} KelvaraLib_KinetraSelfTest;

/**
 * One colour sample, with exactly the layout of the driver's record. Only
 * valid may be read when it is 0; the reserved bytes never.
 */
typedef struct KelvaraLib_LumenoColorData {
  int32_t valid;         /**< 0: the record holds no sample. */
  uint8_t reserved0[12]; /**< Not to be read. */
  int32_t tag;           /**< The driver's value for the sample. */
  uint8_t reserved1[4];  /**< Not to be read. */
  double X;              /**< Tristimulus X. */
  double Y;              /**< Tristimulus Y. */
  double Z;              /**< Tristimulus Z. */
} KelvaraLib_LumenoColorData;

/** CIE 1931 XYZ tristimulus values. */
typedef struct KelvaraLib_Xyz {
  double X; /**< Tristimulus X. */
  double Y; /**< Tristimulus Y, the luminance. */
  double Z; /**< Tristimulus Z. */
} KelvaraLib_Xyz;

/** Red, green and blue components. */
typedef struct KelvaraLib_Rgb {
  double red;   /**< Red. */
  double green; /**< Green. */
  double blue;  /**< Blue. */
} KelvaraLib_Rgb;

/** A CIE 1931 xy chromaticity. */
typedef struct KelvaraLib_Chromaticity {
  double x; /**< X / (X + Y + Z). */
  double y; /**< Y / (X + Y + Z). */
} KelvaraLib_Chromaticity;

/**
 * One range frame, with exactly the layout of the driver's record. Only
 * valid may be read when it is 0; the reserved bytes never.
 */
typedef struct KelvaraLib_VantorScanData {
  int32_t valid;         /**< 0: the record holds no scan. */
  uint8_t reserved0[12]; /**< Not to be read. */
  int32_t tag;           /**< The driver's value for the frame. */
  int32_t zoneCount;     /**< 16 or 64. */
  int16_t distances[64]; /**< Millimetres, row-major; negative: none. */
  uint8_t reserved1[8];  /**< Not to be read. */
} KelvaraLib_VantorScanData;

/** The ranger's configuration, with exactly the layout of the driver's
 *  record. */
typedef struct KelvaraLib_VantorConfigData {
  int32_t setting0;               /**< The driver's setting 0. */
  int32_t flag0;                  /**< Nonzero: set. */
  int32_t flag1;                  /**< Nonzero: set. */
  int32_t flag2;                  /**< Nonzero: set. */
  int32_t setting1;               /**< The driver's setting 1. */
  int32_t zoneMaskPresent;        /**< Nonzero: zoneMask holds the mask. */
  uint64_t zoneMask;              /**< The zone mask. */
  int32_t firmwareVersionPresent; /**< Nonzero: firmwareVersion holds it. */
  int32_t firmwareVersion[3];     /**< Major, minor, patch. */
  int32_t setting2;               /**< 0 or negative: absent. */
  int32_t setting3;               /**< 0 or negative: absent. */
} KelvaraLib_VantorConfigData;

/* NOLINTEND(modernize-use-using) */

/* Opening and releasing devices. An Open function returns the driver's
 * handle, also when the device cannot be opened; extra goes to the driver
 * unchanged. An Open...Serial function gives the driver a zero-terminated
 * copy of the path, writes the handle to *handle and returns a
 * KelvaraLib_Result: KelvaraLib_kOutOfMemory, with no device opened and
 * *handle untouched, when the copy cannot be made. */

/** Opens an IMU on CAN port port with CAN id canId; returns its handle. */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_OpenCan(int32_t port, int32_t canId,
                                                  int32_t extra);
/** Opens an IMU on a USB port (KelvaraLib_kNoUsbPort: none named). */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_OpenUsb(int32_t usbPort,
                                                  int32_t extra);
/** Opens an IMU on the serial device path (length bytes). */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_OpenSerial(const char* path,
                                                     size_t length,
                                                     int32_t extra,
                                                     int32_t* handle);
/** Releases an IMU's handle. */
KELVARA_EXPORT void KelvaraLib_Kinetra_Destroy(int32_t handle);

/** Opens a colour sensor on CAN; returns its handle. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_OpenCan(int32_t port, int32_t canId);
/** Opens a colour sensor on a USB port (KelvaraLib_kNoUsbPort: none). */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_OpenUsb(int32_t usbPort);
/** Opens a colour sensor on the serial device path (length bytes). */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_OpenSerial(const char* path,
                                                    size_t length,
                                                    int32_t* handle);
/** Releases a colour sensor's handle. */
KELVARA_EXPORT void KelvaraLib_Lumeno_Destroy(int32_t handle);

/** Opens a ranger on CAN; returns its handle. */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_OpenCan(int32_t port, int32_t canId);
/** Opens a ranger on a USB port (KelvaraLib_kNoUsbPort: none named). */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_OpenUsb(int32_t usbPort);
/** Opens a ranger on the serial device path (length bytes). */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_OpenSerial(const char* path,
                                                    size_t length,
                                                    int32_t* handle);
/** Releases a ranger's handle. */
KELVARA_EXPORT void KelvaraLib_Vantor_Destroy(int32_t handle);

/* The IMU. */

/** Returns true when the driver reports the IMU as connected. */
KELVARA_EXPORT bool KelvaraLib_Kinetra_IsConnected(int32_t handle);
/** Takes one sample into *data, written by the driver in place; validMask
 *  is 0 unless the driver sets it. */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_GetData(int32_t handle,
                                                  KelvaraLib_KinetraData* data);
/** Makes the current heading the zero yaw. */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_ResetYaw(int32_t handle);
/** Sets the output rate, unchecked. */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_SetOutputRate(int32_t handle,
                                                        int32_t rate);
/** Tells the IMU to send a kind of message (kelvara::KinetraMessage). */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_EnableMessages(int32_t handle,
                                                         int32_t message);
/** Computes yaw from nine sensor axes (true) or six (false). */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_Use9AxisYaw(int32_t handle,
                                                      bool nineAxes);
/** Reads the firmware version into *version. */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_GetFirmwareVersion(
    int32_t handle, KelvaraLib_FirmwareVersion* version);
/** Reads the sensor identifier into *uuid. */
KELVARA_EXPORT int32_t KelvaraLib_Kinetra_GetSensorUuid(
    int32_t handle, KelvaraLib_KinetraSensorUuid* uuid);
/** Runs the self-test, its values into *result. */
KELVARA_EXPORT int32_t
KelvaraLib_Kinetra_SelfTest(int32_t handle, KelvaraLib_KinetraSelfTest* result);

/* The colour sensor. */

/** Returns true when the driver reports the sensor as connected. */
KELVARA_EXPORT bool KelvaraLib_Lumeno_IsConnected(int32_t handle);
/** Takes one colour sample into *data, written by the driver in place;
 *  valid is 0 unless the driver sets it. */
KELVARA_EXPORT int32_t
KelvaraLib_Lumeno_GetColor(int32_t handle, KelvaraLib_LumenoColorData* data);
/** Sets the sample time: milliseconds rounded to the nearest whole number,
 *  halves away from zero, limited to the 32-bit range, NaN as 0. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_SetSampleTime(int32_t handle,
                                                       double milliseconds);
/** Sets the LED brightness. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_SetLedBrightness(int32_t handle,
                                                          int32_t brightness);
/** Switches the status LED on or off; value goes to the driver unchanged. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_SetStatusLed(int32_t handle, bool on,
                                                      int32_t value);
/** Selects a measuring mode (kelvara::LumenoMeasureMode), with distance 0. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_SetMeasureMode(int32_t handle,
                                                        int32_t mode);
/** Selects the fixed-distance mode with this distance in millimetres. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_SetFixedDistance(int32_t handle,
                                                          double millimeters);
/** Reads a configuration value (kelvara::LumenoConfigItem) into *value,
 *  which is 0 unless the driver writes it. */
KELVARA_EXPORT int32_t KelvaraLib_Lumeno_GetConfigValue(int32_t handle,
                                                        int32_t item,
                                                        uint32_t* value);

/* Colour arithmetic, compiled without floating-point contraction, so that
 * the results do not depend on the caller's compiler or its flags. */

/** Linear sRGB of XYZ values, with IEC 61966-2-1's four-decimal matrix. */
KELVARA_EXPORT void KelvaraLib_Lumeno_XyzToLinearSrgb(const KelvaraLib_Xyz* xyz,
                                                      KelvaraLib_Rgb* rgb);
/** The sRGB transfer function of a linear component clamped to 0 to 1;
 *  NaN counts as 0. */
KELVARA_EXPORT double KelvaraLib_Lumeno_SrgbTransfer(double linear);
/** The sRGB display colour of XYZ values: both steps above. */
KELVARA_EXPORT void KelvaraLib_Lumeno_XyzToSrgb(const KelvaraLib_Xyz* xyz,
                                                KelvaraLib_Rgb* rgb);
/** Writes the chromaticity of XYZ values to *chromaticity and returns true;
 *  returns false, writing nothing, when there is none (a sum that is not a
 *  finite number above 1e-6, or a coordinate that is not finite). */
KELVARA_EXPORT bool KelvaraLib_Lumeno_GetChromaticity(
    const KelvaraLib_Xyz* xyz, KelvaraLib_Chromaticity* chromaticity);
/** The Euclidean distance between two chromaticities. */
KELVARA_EXPORT double KelvaraLib_Lumeno_ChromaticityDistance(
    const KelvaraLib_Chromaticity* a, const KelvaraLib_Chromaticity* b);
/** The index of the entry nearest to seen among count entries, counting
 *  only finite distances at most threshold, the earliest of equal ones; its
 *  distance goes to *distance. Returns count, writing nothing, when no
 *  entry is that near. */
KELVARA_EXPORT size_t KelvaraLib_Lumeno_FindNearest(
    const KelvaraLib_Chromaticity* seen, const KelvaraLib_Chromaticity* entries,
    size_t count, double threshold, double* distance);

/* The ranger. */

/** Returns true when the driver reports the ranger as connected. */
KELVARA_EXPORT bool KelvaraLib_Vantor_IsConnected(int32_t handle);
/** Takes one frame into *data, written by the driver in place; valid is 0
 *  unless the driver sets it. */
KELVARA_EXPORT int32_t
KelvaraLib_Vantor_GetScan(int32_t handle, KelvaraLib_VantorScanData* data);
/** Sets the frame rate. */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_SetOutputRate(int32_t handle,
                                                       int32_t rate);
/** Sets the zone grid by its number of zones, 16 or 64. */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_SetResolution(int32_t handle,
                                                       int32_t zones);
/** Sets the ranging frequency. */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_SetRangingFrequency(int32_t handle,
                                                             int32_t frequency);
/** Sets which zones are measured. */
KELVARA_EXPORT int32_t KelvaraLib_Vantor_SetZoneMask(int32_t handle,
                                                     uint64_t mask);
/** Reads the configuration into *data, all zero unless the driver writes
 *  it. */
KELVARA_EXPORT int32_t
KelvaraLib_Vantor_GetConfig(int32_t handle, KelvaraLib_VantorConfigData* data);

/* The CAN bus. */

/** Asks for bus mode 1 (mode 1) or 0 (any other mode) on a CAN port; the
 *  timeout reaches the driver in whole milliseconds, truncated toward zero,
 *  limited to the 32-bit range, NaN as 0. */
KELVARA_EXPORT int32_t KelvaraLib_CanBus_RequestMode(int32_t port, int32_t mode,
                                                     double timeoutSeconds);
/** Returns the driver's answer for a CAN port's mode: 0 or 1, any other
 *  value meaning none. */
KELVARA_EXPORT int32_t KelvaraLib_CanBus_GetMode(int32_t port);

#ifdef __cplusplus
} /* extern "C" */
#endif
