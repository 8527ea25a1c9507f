#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <expected>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <wpi/hardware/bus/CANPort.hpp>
#include <wpi/units/length.hpp>
#include <wpi/units/time.hpp>
#include <wpi/util/Color.hpp>

#include "kelvara/KelvaraLib.h"
#include "kelvara/Status.hpp"
#include "kelvara/UsbPort.hpp"
#include "kelvara/detail/CInterface.hpp"
#include "kelvara/detail/CanPortNumber.hpp"
#include "kelvara/detail/DeviceHandle.hpp"

namespace kelvara {

/// A CIE 1931 xy chromaticity: the colour of a sample without its brightness.
struct Chromaticity {
  /// x coordinate, X / (X + Y + Z).
  double x = 0.0;
  /// y coordinate, Y / (X + Y + Z).
  double y = 0.0;
};

/**
 * One colour sample: CIE 1931 XYZ tristimulus values as the driver computed
 * them, on the scale where a linear sRGB component of 1.0 is full intensity.
 * The values are not checked; they may be zero, negative or not finite.
 */
struct LumenoReading {
  /// Tristimulus X, as the driver computed it.
  double X = 0.0;
  /// Tristimulus Y, the luminance, as the driver computed it.
  double Y = 0.0;
  /// Tristimulus Z, close to the response to blue, as the driver computed it.
  double Z = 0.0;
  /// A value the driver attaches to the sample, all 32 bits carried
  /// unchanged; the library gives it no meaning.
  std::int32_t tag = 0;

  /**
   * Converts the sample into an sRGB display colour (IEC 61966-2-1, with its
   * four-decimal matrix). Each linear component is clamped to 0 to 1 before
   * the transfer function; one that is not a number (from NaN or opposed
   * infinite tristimulus values) counts as 0, so the colour never holds NaN.
   *
   * @return the colour; black for an all-zero sample
   */
  wpi::util::Color ToColor() const noexcept {
    const KelvaraLib_Xyz xyz = ToXyz();
    KelvaraLib_Rgb rgb;
    KelvaraLib_Lumeno_XyzToSrgb(&xyz, &rgb);
    return wpi::util::Color(rgb.red, rgb.green, rgb.blue);
  }

  /**
   * The sample's CIE xy chromaticity: X and Y divided by X + Y + Z.
   *
   * @return the chromaticity; empty when the sum is not a finite number
   *     above 1e-6 (no light, or values that are not finite) or when a
   *     coordinate would not be finite
   */
  std::optional<Chromaticity> GetChromaticity() const noexcept {
    const KelvaraLib_Xyz xyz = ToXyz();
    KelvaraLib_Chromaticity chromaticity;
    if (!KelvaraLib_Lumeno_GetChromaticity(&xyz, &chromaticity)) {
      return std::nullopt;
    }
    return Chromaticity{chromaticity.x, chromaticity.y};
  }

  /**
   * The Euclidean distance in the xy plane between the sample's chromaticity
   * and the target. Brightness plays no part.
   *
   * @return the distance; positive infinity when the sample has no
   *     chromaticity (see GetChromaticity)
   */
  double DistanceTo(Chromaticity target) const noexcept;

 private:
  /// The tristimulus values as the C functions take them.
  KelvaraLib_Xyz ToXyz() const noexcept { return {X, Y, Z}; }
};

namespace detail {

/// The Euclidean distance between two chromaticities in the xy plane.
inline double ChromaticityDistance(Chromaticity a, Chromaticity b) noexcept {
  const KelvaraLib_Chromaticity first{a.x, a.y};
  const KelvaraLib_Chromaticity second{b.x, b.y};
  return KelvaraLib_Lumeno_ChromaticityDistance(&first, &second);
}

}  // namespace detail

inline double LumenoReading::DistanceTo(Chromaticity target) const noexcept {
  const auto own = GetChromaticity();
  if (!own) {
    return std::numeric_limits<double>::infinity();
  }
  return detail::ChromaticityDistance(*own, target);
}

/// How the colour sensor measures. The value goes to the driver unchanged.
enum class LumenoMeasureMode : std::int32_t {
  /// Measures without correcting for the target's distance.
  kUncorrected = 0,
  /// Corrects for a distance that the sensor measures itself.
  kAutoDistance = 1,
  /// Corrects for a fixed distance; SetFixedDistance selects it together
  /// with that distance.
  kFixedDistance = 2,
};

/**
 * A configuration value that the colour sensor reports through
 * Lumeno::GetConfigValue. The value goes to the driver unchanged; except for
 * the firmware version word, the driver decides how each value is encoded.
 */
enum class LumenoConfigItem : std::int32_t {
  /// The sample time in effect (see Lumeno::SetSampleTime).
  kSampleTime = 0,
  /// The LED brightness in effect (see Lumeno::SetLedBrightness).
  kLedBrightness = 1,
  /// The status LED setting (see Lumeno::SetStatusLed).
  kStatusLed = 2,
  /// The measuring mode in effect (a LumenoMeasureMode value).
  kMeasureMode = 3,
  /// The fixed distance in effect (see Lumeno::SetFixedDistance).
  kFixedDistance = 4,
  /// The firmware version word: major, minor and patch in bits 16-23, 8-15
  /// and 0-7 (see Lumeno::GetFirmwareVersion).
  kFirmwareVersion = 8,
};

/// The palette entry that a colour sample matched (see Lumeno::GetMatch).
// NOLINTNEXTLINE(bugprone-exception-escape): only copying the name allocates.
struct LumenoMatch {
  /// The name under which AddColor or LearnColor stored the entry.
  std::string name;
  /// 1 - distance / match threshold: 1.0 for an exact match, 0.0 at the
  /// threshold.
  double confidence = 0.0;
  /// The chromaticity distance between the sample and the entry.
  double distance = 0.0;
};

/**
 * The Lumeno colour sensor.
 *
 * A Lumeno object owns one driver handle for its whole life and is move-only.
 * Opening never fails visibly: when the device cannot be opened the object
 * still exists, IsConnected() returns false and its operations report the
 * driver's failures. Besides its handle, the object keeps a palette of named
 * colours and a match threshold (0.05 at first), which move with it.
 */
class Lumeno {
 public:
  /**
   * Opens the colour sensor on a CAN port.
   *
   * @param canId the device's CAN id
   * @param port the CAN port it is attached to
   */
  Lumeno(int canId, wpi::CANPort port)
      : m_handle{
            KelvaraLib_Lumeno_OpenCan(detail::CanPortNumber(port), canId)} {}

  /// Opens the colour sensor on USB without naming a port.
  static Lumeno Usb() {
    return Lumeno{KelvaraLib_Lumeno_OpenUsb(KelvaraLib_kNoUsbPort)};
  }

  /**
   * Opens the colour sensor on the given USB port.
   *
   * @param port the USB port
   */
  static Lumeno Usb(UsbPort port) {
    return Lumeno{KelvaraLib_Lumeno_OpenUsb(std::to_underlying(port))};
  }

  /**
   * Opens the colour sensor on a serial device.
   *
   * @param path the serial device's path; the driver sees it up to its first
   *     zero character
   * @throws std::bad_alloc if the path cannot be copied
   */
  static Lumeno FromSerialDevice(std::string_view path) {
    return Lumeno{detail::OpenSerial(KelvaraLib_Lumeno_OpenSerial, path)};
  }

  /// Takes over the other object's device and palette and copies its
  /// threshold; the other holds no device and an empty palette afterwards.
  Lumeno(Lumeno&& other) noexcept = default;

  /// Releases this object's device and palette, then takes over the other's
  /// device, palette and threshold. Assigning an object to itself does
  /// nothing.
  Lumeno& operator=(Lumeno&& other) noexcept {
    if (this != &other) {
      m_handle = std::move(other.m_handle);
      m_names = std::move(other.m_names);
      m_colors = std::move(other.m_colors);
      other.m_names.clear();
      other.m_colors.clear();
      m_matchThreshold = other.m_matchThreshold;
    }
    return *this;
  }

  Lumeno(const Lumeno&) = delete;
  Lumeno& operator=(const Lumeno&) = delete;

  /// Releases the device.
  ~Lumeno() = default;

  /// Returns true when the driver reports the device as connected.
  bool IsConnected() const {
    return KelvaraLib_Lumeno_IsConnected(m_handle.Get());
  }

  /**
   * Takes one colour sample.
   *
   * @return the sample, its values as the driver delivered them; empty when
   *     the driver fails or reports no sample
   */
  std::optional<LumenoReading> GetColor() const {
    KelvaraLib_LumenoColorData data;  // NOLINT(*-member-init): valid is set
    if (KelvaraLib_Lumeno_GetColor(m_handle.Get(), &data) != 0 ||
        data.valid == 0) {
      return std::nullopt;
    }
    return LumenoReading{data.X, data.Y, data.Z, data.tag};
  }

  /**
   * Sets how long the sensor takes for one sample.
   *
   * The driver receives whole milliseconds, rounded to nearest with halves
   * away from zero. A duration beyond the 32-bit millisecond range is sent as
   * the nearest end of that range, and NaN as 0.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetSampleTime(wpi::units::millisecond_t sampleTime) {
    return detail::ToStatus(
        KelvaraLib_Lumeno_SetSampleTime(m_handle.Get(), sampleTime.value()));
  }

  /**
   * Sets the brightness of the sensor's LED, a value that the driver
   * interprets.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetLedBrightness(std::int32_t brightness) {
    return detail::ToStatus(
        KelvaraLib_Lumeno_SetLedBrightness(m_handle.Get(), brightness));
  }

  /**
   * Switches the status LED on or off; the value goes to the driver
   * unchanged.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetStatusLed(bool on, std::int32_t value) {
    return detail::ToStatus(
        KelvaraLib_Lumeno_SetStatusLed(m_handle.Get(), on, value));
  }

  /**
   * Selects the measuring mode. No distance goes with it (the driver receives
   * 0 mm); use SetFixedDistance to measure at a fixed distance.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetMeasureMode(LumenoMeasureMode mode) {
    return detail::ToStatus(KelvaraLib_Lumeno_SetMeasureMode(
        m_handle.Get(), std::to_underlying(mode)));
  }

  /**
   * Selects LumenoMeasureMode::kFixedDistance with the given distance, sent
   * in millimetres without rounding.
   *
   * @return the driver's result code; Status::kOk on success
   */
  Status SetFixedDistance(wpi::units::millimeter_t distance) {
    return detail::ToStatus(
        KelvaraLib_Lumeno_SetFixedDistance(m_handle.Get(), distance.value()));
  }

  /**
   * Reads one configuration value from the sensor.
   *
   * @return the value; the driver's result code when it fails
   */
  std::expected<std::uint32_t, Status> GetConfigValue(LumenoConfigItem item) {
    std::uint32_t value = 0;
    const std::int32_t code = KelvaraLib_Lumeno_GetConfigValue(
        m_handle.Get(), std::to_underlying(item), &value);
    return detail::ToExpected(code, [&value] { return value; });
  }

  /**
   * Reads the sensor's firmware version, each number from 0 to 255.
   *
   * @return the version; the driver's result code when it fails
   */
  std::expected<FirmwareVersion, Status> GetFirmwareVersion() {
    const auto word = GetConfigValue(LumenoConfigItem::kFirmwareVersion);
    if (!word) {
      return std::unexpected{word.error()};
    }
    const auto byte = [v = *word](int shift) {
      return static_cast<std::int32_t>((v >> shift) & 0xFFu);
    };
    return FirmwareVersion{byte(16), byte(8), byte(0)};
  }

  /**
   * Names a colour in the palette. A name already present keeps its place
   * and takes the new chromaticity; a new name is appended. Names are
   * compared byte for byte, with their full length: no case folding, and the
   * empty name is a name too.
   *
   * @throws std::bad_alloc if the name cannot be stored; the palette is then
   *     unchanged
   */
  void AddColor(std::string_view name, Chromaticity chromaticity) {
    const KelvaraLib_Chromaticity color{chromaticity.x, chromaticity.y};
    const auto entry = std::ranges::find(m_names, name);
    if (entry != m_names.end()) {
      m_colors[static_cast<std::size_t>(entry - m_names.begin())] = color;
      return;
    }
    m_names.emplace_back(name);
    try {
      m_colors.push_back(color);
    } catch (...) {
      m_names.pop_back();
      throw;
    }
  }

  /**
   * Takes one sample and adds its chromaticity to the palette under the name,
   * as AddColor does.
   *
   * @return the chromaticity learnt; empty, with the palette unchanged, when
   *     there is no sample or the sample has no chromaticity
   * @throws std::bad_alloc if the name cannot be stored
   */
  std::optional<Chromaticity> LearnColor(std::string_view name) {
    auto chromaticity = GetColor().and_then(
        [](const LumenoReading& sample) { return sample.GetChromaticity(); });
    if (chromaticity) {
      AddColor(name, *chromaticity);
    }
    return chromaticity;
  }

  /// Removes the palette entry with this name, if there is one; the others
  /// keep their order.
  void RemoveColor(std::string_view name) {
    const auto entry = std::ranges::find(m_names, name);
    if (entry != m_names.end()) {
      m_colors.erase(m_colors.begin() + (entry - m_names.begin()));
      m_names.erase(entry);
    }
  }

  /// Empties the palette; the match threshold stays.
  void ClearColors() {
    m_names.clear();
    m_colors.clear();
  }

  /// Sets the largest chromaticity distance that GetMatch accepts (0.05 at
  /// first). A value that is not above 0, NaN included, is ignored; positive
  /// infinity is accepted.
  void SetMatchThreshold(double threshold) {
    if (threshold > 0.0) {
      m_matchThreshold = threshold;
    }
  }

  /**
   * Takes one sample and finds the palette entry nearest to its
   * chromaticity. An entry matches when its distance is finite and at most
   * the match threshold; of entries at equal distance the earliest wins.
   *
   * @return the match; empty when there is no sample, the sample has no
   *     chromaticity, or no entry matches
   * @throws std::bad_alloc if the name cannot be copied
   */
  std::optional<LumenoMatch> GetMatch() const {
    const auto sample = GetColor();
    if (!sample) {
      return std::nullopt;
    }
    // A sample without a chromaticity (no light) is near nothing, whatever
    // the threshold. Its chromaticity is computed once, not once per entry.
    const auto seen = sample->GetChromaticity();
    if (!seen) {
      return std::nullopt;
    }
    // One call walks the whole palette, under the library's own arithmetic.
    const KelvaraLib_Chromaticity color{seen->x, seen->y};
    double distance = 0.0;
    const std::size_t best = KelvaraLib_Lumeno_FindNearest(
        &color, m_colors.data(), m_colors.size(), m_matchThreshold, &distance);
    if (best >= m_names.size()) {
      return std::nullopt;
    }
    return LumenoMatch{m_names[best], 1.0 - distance / m_matchThreshold,
                       distance};
  }

 private:
  /// Takes over a handle that the driver issued.
  explicit Lumeno(std::int32_t handle) : m_handle{handle} {}

  // The palette: names and chromaticities at the same index, the
  // chromaticities in one array for the library's nearest-entry search.
  std::vector<std::string> m_names;
  std::vector<KelvaraLib_Chromaticity> m_colors;
  double m_matchThreshold = 0.05;
  // Declared last, so that it is destroyed first: the device is released
  // before its palette.
  detail::DeviceHandle<Lumeno> m_handle;
};

}  // namespace kelvara
