// Stand-in for the WPILib 2027 units library: the part of it that KelvaraLib
// uses. Used only when no WPILib installation is found.
#pragma once

#include <compare>
#include <concepts>
#include <numbers>
#include <ratio>
#include <type_traits>

namespace wpi::units {

namespace detail {

/// Converts a value between two units of one dimension. r is the reduced ratio
/// of the source unit's size to the target unit's size; PiPower is how many
/// more factors of pi the source unit's size holds than the target's (angles).
/// The result is (value * r.num) / r.den, multiplication first, with pi joining
/// the numerator or the denominator.
template <typename R, int PiPower>
constexpr double Rescale(double value) {
  constexpr auto num = static_cast<double>(R::num);
  constexpr auto den = static_cast<double>(R::den);
  if constexpr (PiPower == 0) {
    return (value * num) / den;
  } else if constexpr (PiPower == 1) {
    return (value * std::numbers::pi * num) / den;
  } else {
    static_assert(PiPower == -1, "unsupported unit conversion");
    return (value * num) / (den * std::numbers::pi);
  }
}

}  // namespace detail

/// A quantity of one dimension in one unit, wrapping a double. Ratio is the
/// unit's size in the dimension's base unit (times pi to the power PiPower);
/// Offset is where this unit's zero lies on the base unit's scale, which only
/// affine units such as degrees Celsius use (kelvin = celsius + 273.15).
template <typename Dimension, typename Ratio, int PiPower = 0,
          typename Offset = std::ratio<0>>
class unit_t {
 public:
  using dimension = Dimension;
  using ratio = Ratio;
  static constexpr int pi_power = PiPower;
  using offset = Offset;

  constexpr unit_t() = default;

  template <typename T>
  requires std::is_arithmetic_v<T>
  constexpr explicit unit_t(T value) : m_value{static_cast<double>(value)} {}

  template <typename R2, int P2, typename O2>
  constexpr unit_t(  // NOLINT(google-explicit-constructor)
      const unit_t<Dimension, R2, P2, O2>& other)
      : m_value{Convert<R2, P2, O2>(other.value())} {}

  /// The number in this unit.
  constexpr double value() const { return m_value; }

  constexpr unit_t operator-() const { return unit_t{-m_value}; }
  constexpr unit_t operator+() const { return *this; }
  friend constexpr unit_t operator+(unit_t a, unit_t b) {
    return unit_t{a.m_value + b.m_value};
  }
  friend constexpr unit_t operator-(unit_t a, unit_t b) {
    return unit_t{a.m_value - b.m_value};
  }
  friend constexpr unit_t operator*(unit_t a, double k) {
    return unit_t{a.m_value * k};
  }
  friend constexpr unit_t operator*(double k, unit_t a) {
    return unit_t{k * a.m_value};
  }
  friend constexpr unit_t operator/(unit_t a, double k) {
    return unit_t{a.m_value / k};
  }
  constexpr unit_t& operator+=(unit_t other) {
    m_value += other.m_value;
    return *this;
  }
  constexpr unit_t& operator-=(unit_t other) {
    m_value -= other.m_value;
    return *this;
  }
  friend constexpr bool operator==(unit_t a, unit_t b) {
    return a.m_value == b.m_value;
  }
  friend constexpr auto operator<=>(unit_t a, unit_t b) {
    return a.m_value <=> b.m_value;
  }

 private:
  template <typename R2, int P2, typename O2>
  static constexpr double Convert(double value) {
    double scaled =
        detail::Rescale<std::ratio_divide<R2, Ratio>, P2 - PiPower>(value);
    using Shift = std::ratio_subtract<O2, Offset>;
    if constexpr (Shift::num != 0) {
      scaled +=
          static_cast<double>(Shift::num) / static_cast<double>(Shift::den);
    }
    return scaled;
  }

  double m_value = 0.0;
};

/// True for unit_t instantiations of the given dimension.
template <typename T, typename Dimension>
concept unit_of = requires {
  typename T::dimension;
  requires std::same_as<typename T::dimension, Dimension>;
};

namespace dimension {
struct angle {};
struct angular_velocity {};
struct acceleration {};
struct magnetic_field_strength {};
struct temperature {};
struct time {};
struct length {};
}  // namespace dimension

}  // namespace wpi::units

// Declares a unit type of the unit headers and its literal suffix:
//
//   WPI_STANDIN_UNIT(meter_t, operator""_m, dimension::length, std::ratio<1>);
//
// makes meter_t the unit_t of the remaining arguments and gives
// wpi::units::literals the operator ""_m for integer and floating literals
// (as 2_m and 2.5_m). A suffix needs an operator of its own for each kind of
// literal, and no template can declare a named operator. Use it inside
// namespace wpi::units.
// NOLINTBEGIN(cppcoreguidelines-macro-usage,bugprone-macro-parentheses)
#define WPI_STANDIN_UNIT(name, literal, ...)                    \
  namespace literals {                                          \
  constexpr unit_t<__VA_ARGS__> literal(long double v) {        \
    return unit_t<__VA_ARGS__>{v};                              \
  }                                                             \
  constexpr unit_t<__VA_ARGS__> literal(unsigned long long v) { \
    return unit_t<__VA_ARGS__>{v};                              \
  }                                                             \
  }                                                             \
  using name = unit_t<__VA_ARGS__>
// NOLINTEND(cppcoreguidelines-macro-usage,bugprone-macro-parentheses)
