#include "KinetraModel.hpp"

#include <cmath>
#include <numbers>
#include <string_view>

#include "Saturating.hpp"
#include "Setting.hpp"
#include "driver/DriverValues.hpp"

namespace kelvara::sim::detail {

namespace {

constexpr double kStandardGravity = 9.80665;
constexpr double kRestAngularVelocity = 0.01;
constexpr double kRestAcceleration = 0.05;

// Angles: the conversions of the units library, degree = pi / 180 radian,
// with the multiplication first.
double Radians(double degrees) {
  return (degrees * std::numbers::pi) / 180.0;
}

double Degrees(double radians) {
  return (radians * 180.0) / std::numbers::pi;
}

/// The angle brought into -180 to 180 degrees.
double WrapDegrees(double degrees) {
  return std::remainder(degrees, 360.0);
}

Quat Multiply(const Quat& a, const Quat& b) {
  return {a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z,
          a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
          a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
          a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w};
}

Quat Conjugate(const Quat& q) {
  return {q.w, -q.x, -q.y, -q.z};
}

/// A turn about the vertical axis by an angle in degrees.
Quat YawTurn(double degrees) {
  const double half = Radians(degrees) / 2.0;
  return {std::cos(half), 0.0, 0.0, std::sin(half)};
}

/// q divided by its norm; no rotation when the norm is 0.
Quat Normalized(const Quat& q) {
  const double norm = std::sqrt(q.w * q.w + q.x * q.x + q.y * q.y + q.z * q.z);
  if (norm == 0.0) {
    return Quat{};
  }
  return {q.w / norm, q.x / norm, q.y / norm, q.z / norm};
}

/// The rotation about x (roll), then y (pitch), then z (yaw), all extrinsic
/// and in radians.
Quat FromRollPitchYaw(double roll, double pitch, double yaw) {
  const double cr = std::cos(roll * 0.5);
  const double sr = std::sin(roll * 0.5);
  const double cp = std::cos(pitch * 0.5);
  const double sp = std::sin(pitch * 0.5);
  const double cy = std::cos(yaw * 0.5);
  const double sy = std::sin(yaw * 0.5);
  return {cr * cp * cy + sr * sp * sy, sr * cp * cy - cr * sp * sy,
          cr * sp * cy + sr * cp * sy, cr * cp * sy - sr * sp * cy};
}

// Roll, pitch and yaw in radians of a unit quaternion; the inverse of
// FromRollPitchYaw, with pitch in -pi/2 to pi/2.

double Roll(const Quat& q) {
  const double a = 1.0 - 2.0 * (q.x * q.x + q.y * q.y);
  const double b = 2.0 * (q.w * q.x + q.y * q.z);
  return a * a + b * b > 1e-20 ? std::atan2(b, a) : 0.0;
}

double Pitch(const Quat& q) {
  const double t = 2.0 * (q.w * q.y - q.z * q.x);
  return std::abs(t) >= 1.0 ? std::copysign(std::numbers::pi / 2.0, t)
                            : std::asin(t);
}

double Yaw(const Quat& q) {
  const double a = 1.0 - 2.0 * (q.y * q.y + q.z * q.z);
  const double b = 2.0 * (q.w * q.z + q.x * q.y);
  return a * a + b * b > 1e-20
             ? std::atan2(b, a)
             : std::atan2(2.0 * q.w * q.z, q.w * q.w - q.z * q.z);
}

/// The rotation of the given yaw, pitch and roll in degrees.
Quat FromYawPitchRoll(double yaw, double pitch, double roll) {
  return FromRollPitchYaw(Radians(roll), Radians(pitch), Radians(yaw));
}

/// A world-frame vector as seen in the frame of a sensor whose orientation
/// (sensor to world) is q.
Vector3 IntoSensorFrame(const Quat& q, const Vector3& v) {
  const Quat rotated =
      Multiply(Multiply(Conjugate(q), Quat{0.0, v.x, v.y, v.z}), q);
  return {rotated.x, rotated.y, rotated.z};
}

double Length(const Vector3& v) {
  return std::hypot(v.x, v.y, v.z);
}

/// q with noise added to its yaw, pitch and roll (degrees).
Quat AddAngleNoise(const Quat& q, double yaw, double pitch, double roll) {
  const Quat unit = Normalized(q);
  return FromYawPitchRoll(Degrees(Yaw(unit)) + yaw,
                          Degrees(Pitch(unit)) + pitch,
                          Degrees(Roll(unit)) + roll);
}

void Store(const Quat& q, double (&out)[4]) {
  out[0] = q.w;
  out[1] = q.x;
  out[2] = q.y;
  out[3] = q.z;
}

void Store(const Vector3& v, double (&out)[3]) {
  out[0] = v.x;
  out[1] = v.y;
  out[2] = v.z;
}

/// FNV-1a over the address, salted, for identifiers that differ per device.
std::uint32_t HashAddress(const SimAddress& address, std::uint32_t salt) {
  std::uint32_t hash = 2166136261u ^ salt;
  auto mix = [&hash](std::uint32_t byte) {
    hash ^= byte & 0xFFu;
    hash *= 16777619u;
  };
  auto mixInt = [&mix](int value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
      mix(bits >> shift);
    }
  };
  mixInt(static_cast<int>(address.GetTransport()));
  mixInt(address.GetPort());
  mixInt(address.GetCanId());
  for (char c : std::string_view{address.GetPath()}) {
    mix(static_cast<unsigned char>(c));
  }
  return hash;
}

}  // namespace

KinetraModel::KinetraModel(const SimAddress& address)
    : sensorUuid{HashAddress(address, 0x4B31u), HashAddress(address, 0x4B32u),
                 HashAddress(address, 0x4B33u)} {}

void KinetraModel::SetOrientation(double roll, double pitch, double yaw) {
  const double previousYaw = Degrees(Yaw(Normalized(orientation)));
  orientation = FromRollPitchYaw(roll, pitch, yaw);
  continuousYaw += WrapDegrees(Degrees(yaw) - previousYaw);
}

void KinetraModel::SetYawPitchRoll(double yaw, double pitch, double roll) {
  orientation = FromYawPitchRoll(yaw, pitch, roll);
  continuousYaw = yaw;
}

void KinetraModel::SetYaw(double yaw) {
  const Quat unit = Normalized(orientation);
  SetYawPitchRoll(yaw, Degrees(Pitch(unit)), Degrees(Roll(unit)));
}

Quat KinetraModel::GetOrientation() const {
  return Normalized(orientation);
}

void KinetraModel::SetPitch(double pitch) {
  SetYawPitchRoll(continuousYaw, pitch, Degrees(Roll(Normalized(orientation))));
}

void KinetraModel::SetRoll(double roll) {
  SetYawPitchRoll(continuousYaw, Degrees(Pitch(Normalized(orientation))), roll);
}

std::array<double, 3> KinetraModel::ReportedYawPitchRoll(
    std::int64_t nowNs) const {
  const Quat reported = Normalized(Estimate(nineAxisYaw, DriftAt(nowNs)));
  return {Degrees(Yaw(reported)), Degrees(Pitch(reported)),
          Degrees(Roll(reported))};
}

void KinetraModel::SetReportedYaw(double yaw, std::int64_t nowNs) {
  SetYaw(yaw + yawZero - (nineAxisYaw ? 0.0 : DriftAt(nowNs)));
}

double KinetraModel::DriftAt(std::int64_t nowNs) const {
  return driftBase +
         driftRate *
             static_cast<double>(SaturatingSubtract(nowNs, driftSinceNs)) *
             1e-9;
}

void KinetraModel::SetDriftRate(double rate, std::int64_t nowNs) {
  driftBase = DriftAt(nowNs);
  driftSinceNs = nowNs;
  driftRate = rate;
}

KinetraData KinetraModel::Sample(std::int64_t nowNs, bool synced) {
  const double drift = DriftAt(nowNs);
  const double yawNoise = noise.Draw(orientationNoise);
  const double pitchNoise = noise.Draw(orientationNoise);
  const double rollNoise = noise.Draw(orientationNoise);

  Quat nineAxis = Estimate(true, drift);
  Quat sixAxis = Estimate(false, drift);
  if (orientationNoise != 0.0) {
    nineAxis = AddAngleNoise(nineAxis, yawNoise, pitchNoise, rollNoise);
    sixAxis = AddAngleNoise(sixAxis, yawNoise, pitchNoise, rollNoise);
  }
  const Quat reported = Normalized(nineAxisYaw ? nineAxis : sixAxis);

  const Vector3 gravity =
      IntoSensorFrame(orientation, Vector3{0.0, 0.0, kStandardGravity});
  const Vector3 field = IntoSensorFrame(orientation, earthField);

  KinetraData data{};
  data.validMask = driver::kKinetraValidAnyGroup & ~invalidGroups;
  data.timestampNs = nowNs;
  data.timeSynced = synced ? 1 : 0;
  data.yaw = Degrees(Yaw(reported));
  data.pitch = Degrees(Pitch(reported));
  data.roll = Degrees(Roll(reported));
  data.angle = continuousYaw - yawZero + (nineAxisYaw ? 0.0 : drift) + yawNoise;
  Store(Normalized(sixAxis), data.quaternion6d);
  Store(Normalized(nineAxis), data.quaternion9d);
  Store(Vector3{angularVelocity.x + noise.Draw(angularVelocityNoise),
                angularVelocity.y + noise.Draw(angularVelocityNoise),
                angularVelocity.z + noise.Draw(angularVelocityNoise)},
        data.angularVelocity);
  Store(
      Vector3{linearAcceleration.x + gravity.x + noise.Draw(accelerationNoise),
              linearAcceleration.y + gravity.y + noise.Draw(accelerationNoise),
              linearAcceleration.z + gravity.z + noise.Draw(accelerationNoise)},
      data.linearAcceleration);
  data.magneticField[0] = field.x;
  data.magneticField[1] = field.y;
  data.magneticField[2] = field.z;
  data.magneticField[3] = Length(earthField);
  Store(Vector3{gravity.x / kStandardGravity, gravity.y / kStandardGravity,
                gravity.z / kStandardGravity},
        data.algorithmVector);
  data.algorithmFlag0 = nineAxisYaw ? 1 : 0;
  data.algorithmFlag1 = Length(angularVelocity) < kRestAngularVelocity &&
                                Length(linearAcceleration) < kRestAcceleration
                            ? 1
                            : 0;
  data.algorithmValue0 = drift;
  data.algorithmValue1 = driftRate;
  data.algorithmValue2 = outputRate;
  data.algorithmValue3 = Length(earthField);
  data.temperature = temperature;
  return data;
}

Quat KinetraModel::Estimate(bool nineAxis, double drift) const {
  // Both estimates are turned by the yaw zero; the six-axis one also drifts.
  return Multiply(YawTurn(nineAxis ? -yawZero : drift - yawZero), orientation);
}

void KinetraModel::ResetYaw(std::int64_t nowNs) {
  yawZero = continuousYaw + (nineAxisYaw ? 0.0 : DriftAt(nowNs));
}

SimResult KinetraModel::SetOutputRate(std::int32_t rate) {
  return SetWithin(outputRate, rate, 1, 1000);
}

static_assert(driver::kKinetraMessageCount <= 64,
              "enabled messages are kept in 64 bits");

SimResult KinetraModel::EnableMessages(std::int32_t message) {
  if (message < 0 || message >= driver::kKinetraMessageCount) {
    return SimResult::kInvalidArgument;
  }
  enabledMessages |= std::uint64_t{1} << message;
  return SimResult::kOk;
}

SimResult KinetraModel::SetYawAxes(std::int32_t axes) {
  if (axes != 9 && axes != 6) {
    return SimResult::kInvalidArgument;
  }
  nineAxisYaw = axes == 9;
  return SimResult::kOk;
}

}  // namespace kelvara::sim::detail
