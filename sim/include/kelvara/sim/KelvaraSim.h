/** @file
 * The simulated driver's control interface as C functions, which programs
 * built with any compiler and standard library can call. The C++ classes of
 * kelvara/sim (SimKinetra, SimClock, ...) are inline code over these; the
 * behaviour of each function is documented at the C++ member it serves.
 *
 * Every function returns a KelvaraSim_Result code and writes its answer, if
 * any, through its last parameter, only on KelvaraSim_kOk. A device is named
 * by its kind and its address: the address record and the path it points to
 * are read during the call only. All functions may be called from any
 * thread.
 */
#pragma once

#include <stdbool.h>
#include <stdint.h>

#include "kelvara/Export.h"

#ifdef __cplusplus
extern "C" {
#endif

/** Result codes of the control functions. */
enum KelvaraSim_Result {
  /** Done. */
  KelvaraSim_kOk = 0,
  /** A null pointer, or a kind, transport or path the simulation does not
      know; nothing changed. */
  KelvaraSim_kInvalidArgument = 1,
  /** Memory ran out; nothing changed. */
  KelvaraSim_kOutOfMemory = 2,
  /** Any other failure inside the simulation. */
  KelvaraSim_kFailed = 3
};

/** Transports of KelvaraSim_Address (kelvara::sim::SimTransport). */
enum KelvaraSim_Transport {
  /** A CAN port and a CAN id. */
  KelvaraSim_kCan = 0,
  /** A USB port, or KelvaraSim_kNoUsbPort. */
  KelvaraSim_kUsb = 1,
  /** A serial device path. */
  KelvaraSim_kSerial = 2
};

/** The USB port of the device that robot code opens without naming one. */
enum { KelvaraSim_kNoUsbPort = -1 };

/** Kinds of simulated device (kelvara::sim::SimDeviceKind). */
enum KelvaraSim_DeviceKind {
  /** A Kinetra IMU. */
  KelvaraSim_kKinetra = 0,
  /** A Lumeno colour sensor. */
  KelvaraSim_kLumeno = 1,
  /** A Vantor ranger. */
  KelvaraSim_kVantor = 2
};

/** Where a simulated device lives (kelvara::sim::SimAddress). */
/* C names a struct type by typedef; "using" is C++ only. */
// NOLINTNEXTLINE(modernize-use-using)
typedef struct KelvaraSim_Address {
  /** A KelvaraSim_Transport. */
  int32_t transport;
  /** The CAN port's or USB port's number; 0 for serial. */
  int32_t port;
  /** The CAN id; 0 for USB and serial. */
  int32_t canId;
  /** The serial path's bytes, pathLength of them (no terminating zero
      needed); may be null when pathLength is 0. */
  const char* path;
  /** The number of bytes of path. */
  uint64_t pathLength;
} KelvaraSim_Address;

/** A rotation as a unit quaternion. */
/* C names a struct type by typedef; "using" is C++ only. */
// NOLINTNEXTLINE(modernize-use-using)
typedef struct KelvaraSim_Quaternion {
  /** The real part. */
  double w;
  /** The x part. */
  double x;
  /** The y part. */
  double y;
  /** The z part. */
  double z;
} KelvaraSim_Quaternion;

/* Addresses. */

/** Whether a device can live at the address. */
KELVARA_EXPORT int32_t KelvaraSim_Address_CanHoldDevice(
    const KelvaraSim_Address* address, bool* canHold);

/* Every device: kind is a KelvaraSim_DeviceKind. */

/** Takes the device off its transport. */
KELVARA_EXPORT int32_t
KelvaraSim_Device_Detach(int32_t kind, const KelvaraSim_Address* address);
/** Puts the device back on its transport. */
KELVARA_EXPORT int32_t
KelvaraSim_Device_Attach(int32_t kind, const KelvaraSim_Address* address);
/** Whether the device is present. */
KELVARA_EXPORT int32_t KelvaraSim_Device_IsAttached(
    int32_t kind, const KelvaraSim_Address* address, bool* attached);
/** The number of handles that robot code holds open on the device. */
KELVARA_EXPORT int32_t KelvaraSim_Device_GetOpenHandleCount(
    int32_t kind, const KelvaraSim_Address* address, int32_t* count);
/** Makes the next count calls on the device fail with code. */
KELVARA_EXPORT int32_t
KelvaraSim_Device_FailNextCalls(int32_t kind, const KelvaraSim_Address* address,
                                int32_t count, int32_t code);
/** The number of injected failures not yet delivered. */
KELVARA_EXPORT int32_t KelvaraSim_Device_GetPendingFailures(
    int32_t kind, const KelvaraSim_Address* address, int32_t* count);
/** Makes later samples arrive marked invalid, or not. */
KELVARA_EXPORT int32_t KelvaraSim_Device_DeliverInvalidRecords(
    int32_t kind, const KelvaraSim_Address* address, bool invalid);
/** Restores the device to its defaults. */
KELVARA_EXPORT int32_t
KelvaraSim_Device_Reset(int32_t kind, const KelvaraSim_Address* address);

/* The IMU (kelvara::sim::SimKinetra). */

/** Turns the sensor to extrinsic roll, pitch and yaw in radians. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetOrientation(
    const KelvaraSim_Address* address, double roll, double pitch, double yaw);
/** Turns the sensor to a continuous yaw, pitch and roll in degrees. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetYawPitchRoll(
    const KelvaraSim_Address* address, double yaw, double pitch, double roll);
/** Sets the continuous yaw in degrees. */
KELVARA_EXPORT int32_t
KelvaraSim_Kinetra_SetYaw(const KelvaraSim_Address* address, double yaw);
/** The true orientation. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_GetOrientation(
    const KelvaraSim_Address* address, KelvaraSim_Quaternion* orientation);
/** Sets the angular velocity in radians per second. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetAngularVelocity(
    const KelvaraSim_Address* address, double x, double y, double z);
/** Sets the motion acceleration in metres per second squared. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetLinearAcceleration(
    const KelvaraSim_Address* address, double x, double y, double z);
/** Sets the Earth's magnetic field in microtesla. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetEarthMagneticField(
    const KelvaraSim_Address* address, double x, double y, double z);
/** Sets the temperature in degrees Celsius. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetTemperature(
    const KelvaraSim_Address* address, double celsius);
/** Sets the six-axis yaw drift rate in degrees per second. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetYawDriftRate(
    const KelvaraSim_Address* address, double degreesPerSecond);
/** Whether yaw comes from nine axes. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_IsNineAxisYaw(
    const KelvaraSim_Address* address, bool* nineAxis);
/** The output rate last set by robot code. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_GetOutputRate(
    const KelvaraSim_Address* address, int32_t* rate);
/** Whether robot code enabled the message kind. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_IsMessageEnabled(
    const KelvaraSim_Address* address, int32_t message, bool* enabled);
/** The extra integer of the latest opening. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_GetOpenArgument(
    const KelvaraSim_Address* address, int32_t* argument);
/** Sets the firmware version. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetFirmwareVersion(
    const KelvaraSim_Address* address, int32_t major, int32_t minor,
    int32_t patch);
/** Sets the sensor identifier, 3 values. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetSensorUuid(
    const KelvaraSim_Address* address, const uint32_t uuid[3]);
/** Sets the self-test's results, 8 values. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetSelfTestResult(
    const KelvaraSim_Address* address, const int32_t results[8]);
/** Marks groups of later samples invalid. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetInvalidGroups(
    const KelvaraSim_Address* address, uint32_t mask);
/** Sets the noise's standard deviations (degrees, radians per second,
    metres per second squared) and seed. */
KELVARA_EXPORT int32_t KelvaraSim_Kinetra_SetNoise(
    const KelvaraSim_Address* address, double orientation,
    double angularVelocity, double acceleration, uint64_t seed);

/* The colour sensor (kelvara::sim::SimLumeno). */

/** Puts a surface of this sRGB colour, components 0 to 1, in view. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_SetSurfaceRgb(
    const KelvaraSim_Address* address, double red, double green, double blue);
/** Puts a surface of these CIE XYZ values in view. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_SetSurfaceXyz(
    const KelvaraSim_Address* address, double x, double y, double z);
/** The sample time in milliseconds. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_GetSampleTime(
    const KelvaraSim_Address* address, int32_t* milliseconds);
/** The LED brightness. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_GetLedBrightness(
    const KelvaraSim_Address* address, int32_t* brightness);
/** Whether the status LED is on. */
KELVARA_EXPORT int32_t
KelvaraSim_Lumeno_IsStatusLedOn(const KelvaraSim_Address* address, bool* on);
/** The status LED's value. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_GetStatusLedValue(
    const KelvaraSim_Address* address, int32_t* value);
/** The measure mode's number. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_GetMeasureMode(
    const KelvaraSim_Address* address, int32_t* mode);
/** The fixed distance in millimetres. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_GetFixedDistance(
    const KelvaraSim_Address* address, double* millimeters);
/** Sets the firmware version. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_SetFirmwareVersion(
    const KelvaraSim_Address* address, uint8_t major, uint8_t minor,
    uint8_t patch);
/** Sets the relative noise and its seed. */
KELVARA_EXPORT int32_t KelvaraSim_Lumeno_SetNoise(
    const KelvaraSim_Address* address, double relativeStdDev, uint64_t seed);

/* The ranger (kelvara::sim::SimVantor). */

/** Puts a flat target at millimetres, tilted by angles in radians. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_SetTarget(
    const KelvaraSim_Address* address, double millimeters,
    double tiltHorizontal, double tiltVertical);
/** Sets the scene as count distances in millimetres; *accepted is false,
    the scene unchanged, unless count is 16 or 64. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_SetZoneDistances(
    const KelvaraSim_Address* address, const double* millimeters,
    uint64_t count, bool* accepted);
/** Leaves nothing in view. */
KELVARA_EXPORT int32_t
KelvaraSim_Vantor_ClearScene(const KelvaraSim_Address* address);
/** Sets the range limit in millimetres. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_SetRangeLimit(
    const KelvaraSim_Address* address, double millimeters);
/** The number of zones of the grid in use. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_GetZoneCount(
    const KelvaraSim_Address* address, int32_t* count);
/** The output rate last set by robot code. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_GetOutputRate(
    const KelvaraSim_Address* address, int32_t* rate);
/** The ranging frequency last set by robot code. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_GetRangingFrequency(
    const KelvaraSim_Address* address, int32_t* frequency);
/** The zone mask last set by robot code. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_GetZoneMask(
    const KelvaraSim_Address* address, uint64_t* mask);
/** Sets the firmware version. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_SetFirmwareVersion(
    const KelvaraSim_Address* address, int32_t major, int32_t minor,
    int32_t patch);
/** Sets the noise in millimetres and its seed. */
KELVARA_EXPORT int32_t KelvaraSim_Vantor_SetNoise(
    const KelvaraSim_Address* address, double millimeters, uint64_t seed);

/* The clock (kelvara::sim::SimClock). */

/** The simulation time in nanoseconds. */
KELVARA_EXPORT int32_t KelvaraSim_Clock_Now(int64_t* nanoseconds);
/** Sets the time, rounded to whole nanoseconds. */
KELVARA_EXPORT int32_t KelvaraSim_Clock_Set(double nanoseconds);
/** Moves the time on, rounded to whole nanoseconds. */
KELVARA_EXPORT int32_t KelvaraSim_Clock_Advance(double nanoseconds);
/** Sets whether samples report their time as synchronised. */
KELVARA_EXPORT int32_t KelvaraSim_Clock_SetSynchronized(bool synchronized);
/** Whether samples report their time as synchronised. */
KELVARA_EXPORT int32_t KelvaraSim_Clock_IsSynchronized(bool* synchronized);
/** Time 0, synchronised. */
KELVARA_EXPORT int32_t KelvaraSim_Clock_Reset(void);

/* CAN bus modes (kelvara::sim::SimCanBus); port is the port's number. */

/** The port's mode, 0 or 1; -1 for a port that does not exist. */
KELVARA_EXPORT int32_t KelvaraSim_CanBus_GetMode(int32_t port, int32_t* mode);
/** Switches the port to mode 1, or to 0 for any other value. */
KELVARA_EXPORT int32_t KelvaraSim_CanBus_SetMode(int32_t port, int32_t mode);
/** The number of mode requests robot code made on the port. */
KELVARA_EXPORT int32_t KelvaraSim_CanBus_GetRequestCount(int32_t port,
                                                         int32_t* count);
/** Makes the next count mode requests on the port fail with code. */
KELVARA_EXPORT int32_t KelvaraSim_CanBus_FailNextRequests(int32_t port,
                                                          int32_t count,
                                                          int32_t code);
/** Restores the port. */
KELVARA_EXPORT int32_t KelvaraSim_CanBus_Reset(int32_t port);

#ifdef __cplusplus
}  // extern "C"
#endif
