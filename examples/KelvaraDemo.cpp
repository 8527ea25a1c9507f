// kelvara-demo: a scripted robot on the simulated driver. Robot code (class
// Robot) uses only KelvaraLib's public API: it learns the floor tiles' colours,
// turns to face a wall, drives over the tiles and stops short of the wall. The
// world (class World) moves the simulated devices through the sim control
// interface. Each step shows a dashboard of what robot code read.
//
//   kelvara-demo [--steps N] [--no-color]

#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <exception>
#include <expected>
#include <functional>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "kelvara/CanBus.hpp"
#include "kelvara/Kinetra.hpp"
#include "kelvara/Lumeno.hpp"
#include "kelvara/Vantor.hpp"
#include "kelvara/sim/SimAddress.hpp"
#include "kelvara/sim/SimClock.hpp"
#include "kelvara/sim/SimKinetra.hpp"
#include "kelvara/sim/SimLumeno.hpp"
#include "kelvara/sim/SimVantor.hpp"

namespace {

using kelvara::sim::SimAddress;
using wpi::units::degree_t;
using wpi::units::millimeter_t;
using wpi::units::second_t;

constexpr int kDefaultSteps = 100;
constexpr second_t kStep{0.05};
constexpr auto kFrameDelay = std::chrono::milliseconds{30};

constexpr int kImuCanId = 1;
constexpr wpi::CANPort kCanPort = wpi::CANPort::CAN_S0;
constexpr int kColorCanId = 2;
constexpr kelvara::UsbPort kRangerPort = kelvara::UsbPort::kUsb0;

/// A floor tile along the robot's path, from start to end metres.
struct Tile {
  const char* name = "";
  wpi::util::Color color;
  double start = 0.0;
  double end = 0.0;
};

const wpi::util::Color kCarpet{0.35, 0.35, 0.38};
const std::array<Tile, 3> kTiles{{{"red", {0.85, 0.12, 0.10}, 0.25, 0.55},
                                  {"blue", {0.10, 0.25, 0.85}, 0.85, 1.15},
                                  {"yellow", {0.92, 0.80, 0.10}, 1.45, 1.75}}};
/// Where the wall stands, metres along the path.
constexpr double kWall = 2.45;

/// What robot code read in one step.
struct Readings {
  /// Yaw, pitch and roll of one IMU sample, and the time it was taken.
  std::optional<degree_t> yaw, pitch, roll;
  std::optional<second_t> sampleTime;
  std::optional<kelvara::LumenoReading> color;
  /// The tile whose learnt colour matched; null when none did.
  const Tile* matchedTile = nullptr;
  double matchConfidence = 0.0;
  std::optional<kelvara::VantorScan> scan;
  std::optional<kelvara::CanBusMode> busMode;
};

/// Robot code: KelvaraLib's public API only.
class Robot {
 public:
  enum class Phase { kTurning, kDriving, kStopped };

  Robot()
      : m_imu{kImuCanId, kCanPort, 0},
        m_color{kColorCanId, kCanPort},
        m_ranger{kelvara::Vantor::Usb(kRangerPort)} {}

  /// Start-up: bus mode, sensor settings and the palette. Returns a line per
  /// device for the dashboard's header.
  std::vector<std::string> Start(const std::function<void(const Tile&)>& show) {
    kelvara::CanBus::RequestMode(kCanPort, kelvara::CanBusMode::kMode1,
                                 second_t{0.1});
    m_imu.ResetYaw();
    m_color.SetSampleTime(wpi::units::millisecond_t{20});
    for (const Tile& tile : kTiles) {
      show(tile);  // the robot is put on each tile in turn
      m_color.LearnColor(tile.name);
    }
    m_color.SetMatchThreshold(0.04);
    m_ranger.SetResolution(kelvara::VantorResolution::k8x8);
    m_ranger.SetRangingFrequency(15);

    const auto config = m_ranger.GetConfig();
    return {
        Describe("Kinetra IMU    CAN 1", m_imu.IsConnected(),
                 Value(m_imu.GetFirmwareVersion())),
        Describe("Lumeno colour  CAN 2", m_color.IsConnected(),
                 Value(m_color.GetFirmwareVersion())),
        Describe("Vantor ranger  USB 0", m_ranger.IsConnected(),
                 config ? config->firmwareVersion : std::nullopt),
    };
  }

  /// One step of robot code: read the sensors, decide the drive command.
  void Step() {
    Readings& r = m_readings;
    // One sample: yaw, pitch and roll measured together, with their time.
    const auto sample = m_imu.GetSample();
    r.yaw = sample ? sample->yaw : std::nullopt;
    r.pitch = sample ? sample->pitch : std::nullopt;
    r.roll = sample ? sample->roll : std::nullopt;
    r.sampleTime = sample ? sample->timestamp : std::nullopt;
    r.color = m_color.GetColor();
    const auto match = m_color.GetMatch();
    r.matchedTile = nullptr;
    r.matchConfidence = match ? match->confidence : 0.0;
    for (const Tile& tile : kTiles) {
      if (match && match->name == tile.name) {
        r.matchedTile = &tile;
      }
    }
    r.scan = m_ranger.GetScan();
    r.busMode = kelvara::CanBus::GetMode(kCanPort);
    const auto closest =
        r.scan ? r.scan->GetClosest() : std::optional<millimeter_t>{};
    switch (m_phase) {
      case Phase::kTurning: {
        const double error = 90.0 - r.yaw.value_or(degree_t{0}).value();
        m_turnRate = std::clamp(3.0 * error, -120.0, 120.0);
        m_speed = 0.0;
        if (std::abs(error) < 1.5) {
          m_phase = Phase::kDriving;
          m_turnRate = 0.0;
        }
        break;
      }
      case Phase::kDriving:
        m_speed = closest && closest->value() < 550 ? 0.3 : 1.0;
        if (closest && closest->value() < 300) {
          m_phase = Phase::kStopped;
          m_speed = 0.0;
        }
        break;
      case Phase::kStopped:
        m_speed = 0.0;
        break;
    }
  }

  /// What the last step read.
  const Readings& GetReadings() const { return m_readings; }

  Phase GetPhase() const { return m_phase; }
  /// The commanded turn rate, degrees per second.
  double GetTurnRate() const { return m_turnRate; }
  /// The commanded speed, metres per second.
  double GetSpeed() const { return m_speed; }

 private:
  template <typename T>
  static std::optional<T> Value(
      const std::expected<T, kelvara::Status>& answer) {
    return answer ? std::optional<T>{*answer} : std::nullopt;
  }

  static std::string Describe(
      const std::string& name, bool connected,
      const std::optional<kelvara::FirmwareVersion>& version) {
    std::ostringstream line;
    line << name << "  " << (connected ? "connected" : "NOT CONNECTED");
    if (version) {
      line << ", firmware " << version->major << '.' << version->minor << '.'
           << version->patch;
    }
    return line.str();
  }

  kelvara::Kinetra m_imu;
  kelvara::Lumeno m_color;
  kelvara::Vantor m_ranger;
  Readings m_readings;
  Phase m_phase = Phase::kTurning;
  double m_turnRate = 0.0;
  double m_speed = 0.0;
};

/// The simulated world: the robot's pose moves the simulated devices.
class World {
 public:
  World()
      : m_imu{SimAddress::Can(kImuCanId, kCanPort)},
        m_color{SimAddress::Can(kColorCanId, kCanPort)},
        m_ranger{SimAddress::Usb(kRangerPort)} {
    // Seeded noise: lifelike, and the same on every run.
    m_imu.SetNoise({degree_t{0.05}, wpi::units::radians_per_second_t{0.002},
                    wpi::units::meters_per_second_squared_t{0.02}},
                   1);
    m_color.SetNoise(0.005, 2);
    m_ranger.SetNoise(millimeter_t{4}, 3);
    m_ranger.SetRangeLimit(millimeter_t{4000});
    Update(0.0);
  }

  /// Puts a tile under the colour sensor (robot code's start-up teaching).
  void ShowTile(const Tile& tile) { m_color.SetSurfaceColor(tile.color); }

  /// Puts the robot back at the start of its path after the teaching.
  void ReturnToStart() { Update(0.0); }

  /// Moves the robot by the commands for one step and updates the devices.
  void Advance(double turnRate, double speed) {
    const double dt = kStep.value();
    const double acceleration = (speed - m_speed) / dt;
    m_heading += turnRate * dt;
    m_speed = speed;
    m_position += speed * dt;
    kelvara::sim::SimClock::Advance(kStep);
    m_imu.SetAngularVelocity(wpi::units::radians_per_second_t{0},
                             wpi::units::radians_per_second_t{0},
                             wpi::units::degrees_per_second_t{turnRate});
    m_imu.SetLinearAcceleration(
        wpi::units::meters_per_second_squared_t{acceleration},
        wpi::units::meters_per_second_squared_t{0},
        wpi::units::meters_per_second_squared_t{0});
    Update(acceleration);
  }

  /// The robot's position along the path, metres.
  double GetPosition() const { return m_position; }

 private:
  void Update(double acceleration) {
    // The chassis pitches back a little when it speeds up, and rocks on the
    // tiles' edges.
    const double pitch = -0.6 * acceleration;
    const double roll = 0.4 * std::sin(m_position * 12.0);
    m_imu.SetYawPitchRoll(degree_t{m_heading}, degree_t{pitch}, degree_t{roll});

    wpi::util::Color floor = kCarpet;
    for (const Tile& tile : kTiles) {
      if (m_position >= tile.start && m_position < tile.end) {
        floor = tile.color;
      }
    }
    m_color.SetSurfaceColor(floor);

    // The wall lies ahead once the robot faces 90 degrees; turned away from
    // it, the ranger sees it at a slant, then not at all.
    const double away = 90.0 - m_heading;
    if (std::abs(away) < 55.0) {
      const double distance =
          (kWall - m_position) * 1000.0 /
          std::cos(wpi::units::radian_t{degree_t{away}}.value());
      m_ranger.SetTarget(millimeter_t{distance}, degree_t{-away});
    } else {
      m_ranger.ClearScene();
    }
  }

  kelvara::sim::SimKinetra m_imu;
  kelvara::sim::SimLumeno m_color;
  kelvara::sim::SimVantor m_ranger;
  double m_heading = 0.0;
  double m_position = 0.0;
  double m_speed = 0.0;
};

/// Draws the dashboard, with ANSI colour or as plain text.
class Dashboard {
 public:
  explicit Dashboard(bool color) : m_color{color} {}

  void Header(const std::vector<std::string>& lines) const {
    std::cout << Bold("KelvaraLib demo") << " on the simulated driver\n";
    for (const auto& line : lines) {
      std::cout << "  " << line << '\n';
    }
    std::cout << '\n';
  }

  void Show(int step, int steps, const Robot& robot, double position) {
    const Readings& r = robot.GetReadings();
    std::ostringstream out;
    out << Bold("step " + std::to_string(step) + "/" + std::to_string(steps))
        << "  t " << Fixed(step * kStep.value(), 2) << " s  "
        << PhaseName(robot) << "  at " << Fixed(position, 2) << " m"
        << EndLine();
    out << "Kinetra yaw " << Angle(r.yaw) << "  pitch " << Angle(r.pitch)
        << "  roll " << Angle(r.roll) << "  at "
        << (r.sampleTime ? Fixed(r.sampleTime->value(), 3) + " s" : "?")
        << EndLine();
    out << "Lumeno  " << Swatch(r.color) << ' '
        << (r.matchedTile == nullptr
                ? std::string{"no palette colour"}
                : r.matchedTile->name + std::string{", confidence "} +
                      Fixed(r.matchConfidence, 2))
        << EndLine();
    out << "CAN S0  mode "
        << (r.busMode ? std::to_string(static_cast<int>(*r.busMode)) : "?")
        << EndLine();
    HeatMap(out, r.scan);

    const std::string frame = out.str();
    const auto lines =
        static_cast<int>(std::count(frame.begin(), frame.end(), '\n'));
    if (m_color && m_lastLines > 0) {
      std::cout << "\x1b[" << m_lastLines << 'F';  // back to the frame's top
    }
    std::cout << frame << (m_color ? "" : "\n") << std::flush;
    m_lastLines = lines;
  }

 private:
  std::string Bold(const std::string& text) const {
    return m_color ? "\x1b[1m" + text + "\x1b[0m" : text;
  }

  std::string EndLine() const { return m_color ? "\x1b[K\n" : "\n"; }

  static std::string Fixed(double value, int precision) {
    std::ostringstream text;
    text << std::fixed << std::setprecision(precision) << value;
    return text.str();
  }

  static std::string Angle(const std::optional<degree_t>& angle) {
    if (!angle) {
      return "   --  ";
    }
    std::ostringstream text;
    text << std::showpos << std::fixed << std::setprecision(1) << std::setw(6)
         << angle->value() << "\u00b0";
    return text.str();
  }

  static const char* PhaseName(const Robot& robot) {
    switch (robot.GetPhase()) {
      case Robot::Phase::kTurning:
        return "turning to the wall";
      case Robot::Phase::kDriving:
        return "driving over the tiles";
      case Robot::Phase::kStopped:
        return "stopped at the wall";
    }
    return "";
  }

  std::string Swatch(
      const std::optional<kelvara::LumenoReading>& reading) const {
    if (!reading) {
      return "[no sample]";
    }
    const wpi::util::Color c = reading->ToColor();
    if (m_color) {
      return Background(c.red, c.green, c.blue) + "      \x1b[0m";
    }
    return "rgb(" + Fixed(c.red, 2) + ", " + Fixed(c.green, 2) + ", " +
           Fixed(c.blue, 2) + ")";
  }

  static std::string Background(double r, double g, double b) {
    auto byte = [](double v) {
      return std::to_string(
          static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)));
    };
    return "\x1b[48;2;" + byte(r) + ';' + byte(g) + ';' + byte(b) + 'm';
  }

  /// The ranger's grid, near zones warm and far zones cool, and the closest
  /// distance.
  void HeatMap(std::ostringstream& out,
               const std::optional<kelvara::VantorScan>& scan) const {
    if (!scan) {
      out << "Vantor  no scan" << EndLine();
      return;
    }
    const auto closest = scan->GetClosest();
    out << "Vantor  " << scan->GridSize() << 'x' << scan->GridSize()
        << "  closest "
        << (closest ? Fixed(closest->value(), 0) + " mm" : std::string{"--"})
        << EndLine();
    for (int row = 0; row < scan->GridSize(); ++row) {
      out << "        ";
      for (int column = 0; column < scan->GridSize(); ++column) {
        const auto distance = scan->GetDistance(row, column);
        out << Cell(distance);
      }
      out << (m_color ? "\x1b[0m" : "") << EndLine();
    }
  }

  std::string Cell(const std::optional<millimeter_t>& distance) const {
    if (!m_color) {
      return distance ? Pad(Fixed(distance->value(), 0), 5) : "   --";
    }
    if (!distance) {
      return "\x1b[48;5;236m\x1b[38;5;244m\u00b7\u00b7";
    }
    // 0 m red through yellow and green to 3 m and beyond blue.
    const double t = std::clamp(distance->value() / 3000.0, 0.0, 1.0);
    const double r = t < 0.5 ? 1.0 : 2.0 * (1.0 - t);
    const double g = t < 0.5 ? 2.0 * t : 1.0 - 0.5 * (t - 0.5);
    const double b = t < 0.5 ? 0.0 : 2.0 * (t - 0.5);
    return Background(r, g, b) + "  ";
  }

  static std::string Pad(const std::string& text, std::size_t width) {
    return std::string(width > text.size() ? width - text.size() : 0, ' ') +
           text;
  }

  bool m_color;
  int m_lastLines = 0;
};

struct Options {
  int steps = kDefaultSteps;
  bool color = isatty(STDOUT_FILENO) != 0;
};

std::optional<Options> ParseOptions(int argc, char** argv) {
  Options options;
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--no-color") {
      options.color = false;
    } else if (args[i] == "--steps" && i + 1 < args.size()) {
      const std::string count{args[++i]};
      char* end = nullptr;
      const long steps = std::strtol(count.c_str(), &end, 10);
      if (end == count.c_str() || *end != '\0' || steps < 1 || steps > 100000) {
        return std::nullopt;
      }
      options.steps = static_cast<int>(steps);
    } else {
      return std::nullopt;
    }
  }
  return options;
}

}  // namespace

namespace {

int Run(const Options& options) {
  World world;
  Robot robot;
  Dashboard dashboard{options.color};
  dashboard.Header(
      robot.Start([&world](const Tile& tile) { world.ShowTile(tile); }));
  world.ReturnToStart();
  for (int step = 1; step <= options.steps; ++step) {
    robot.Step();
    dashboard.Show(step, options.steps, robot, world.GetPosition());
    world.Advance(robot.GetTurnRate(), robot.GetSpeed());
    if (options.color) {
      std::this_thread::sleep_for(kFrameDelay);
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
      std::cerr << "usage: kelvara-demo [--steps N] [--no-color]\n";
      return 2;
    }
    return Run(*options);
  } catch (const std::exception& e) {
    std::cerr << "kelvara-demo: " << e.what() << '\n';
    return 1;
  }
}
