/*
 * Robot code compiled for the MSVC binary interface, without any C runtime,
 * against the DLLs that MinGW-w64 built: it opens a simulated IMU and colour
 * sensor through KelvaraLib's C interface, steers them through the
 * simulated driver's control interface and reads them back. The exit code
 * has one bit per wrong answer.
 */
#include <stdbool.h>
#include <stdint.h>

#include <kelvara/KelvaraLib.h>
#include <kelvara/sim/KelvaraSim.h>

/* Without the C runtime the program defines the marker that MSVC's code
   generator expects where floating point is used, and ends the process
   itself. */
int _fltused = 0;
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

enum { kPort = 2, kImuId = 7, kColorSensorId = 8 };

static bool Near(double value, double expected) {
  const double difference = value - expected;
  return difference < 1e-9 && difference > -1e-9;
}

static unsigned int CheckImu(void) {
  const KelvaraSim_Address address = {KelvaraSim_kCan, kPort, kImuId, 0, 0};
  const int32_t imu = KelvaraLib_Kinetra_OpenCan(kPort, kImuId, 0);
  KelvaraLib_KinetraData data;
  KelvaraLib_FirmwareVersion version = {0, 0, 0};
  unsigned int wrong = 0;
  if (KelvaraSim_Kinetra_SetYaw(&address, -42.5) != 0 ||
      KelvaraSim_Kinetra_SetFirmwareVersion(&address, 3, 1, 4) != 0) {
    wrong |= 1u;
  }
  if (KelvaraLib_Kinetra_GetData(imu, &data) != 0 ||
      (data.validMask & 0x001u) == 0 || !Near(data.yaw, -42.5)) {
    wrong |= 2u;
  }
  if (KelvaraLib_Kinetra_GetFirmwareVersion(imu, &version) != 0 ||
      version.major != 3 || version.minor != 1 || version.patch != 4) {
    wrong |= 4u;
  }
  KelvaraLib_Kinetra_Destroy(imu);
  return wrong;
}

static unsigned int CheckColorSensor(void) {
  const KelvaraSim_Address address = {KelvaraSim_kCan, kPort, kColorSensorId, 0,
                                      0};
  const int32_t sensor = KelvaraLib_Lumeno_OpenCan(kPort, kColorSensorId);
  KelvaraLib_LumenoColorData data;
  KelvaraLib_Rgb rgb = {0, 0, 0};
  unsigned int wrong = 0;
  if (KelvaraSim_Lumeno_SetSurfaceRgb(&address, 0.0, 0.0, 1.0) != 0) {
    wrong |= 8u;
  }
  if (KelvaraLib_Lumeno_GetColor(sensor, &data) != 0 || data.valid == 0) {
    wrong |= 16u;
  } else {
    const KelvaraLib_Xyz xyz = {data.X, data.Y, data.Z};
    KelvaraLib_Lumeno_XyzToSrgb(&xyz, &rgb);
    if (rgb.blue < 0.99 || rgb.red > 0.01 || rgb.green > 0.01) {
      wrong |= 32u;
    }
  }
  KelvaraLib_Lumeno_Destroy(sensor);
  return wrong;
}

void mainCRTStartup(void) {
  ExitProcess(CheckImu() | CheckColorSensor());
}
