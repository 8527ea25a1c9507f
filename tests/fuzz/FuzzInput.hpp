// The byte stream that a fuzzing run draws everything from: the driver's
// answers and the operations that the fuzz target performs.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace kelvara::fuzz {

/// Reads values from the fuzzer's input, front to back. Once the input is used
/// up every read gives zero bytes, so a run always ends.
class FuzzInput {
 public:
  /// Starts reading a new input.
  void Reset(const std::uint8_t* data, std::size_t size) {
    m_data = data;
    m_size = size;
    m_position = 0;
  }

  /// True when every byte has been read.
  bool Exhausted() const { return m_position >= m_size; }

  /// Copies the next n bytes to the destination, zeros past the end.
  void Fill(void* destination, std::size_t n) {
    const std::size_t available = std::min(n, m_size - m_position);
    std::memcpy(destination, m_data + m_position, available);
    std::memset(static_cast<std::uint8_t*>(destination) + available, 0,
                n - available);
    m_position += available;
  }

  /// The next sizeof(T) bytes as a T.
  template <typename T>
  requires std::is_trivially_copyable_v<T> T Take() {
    T value;
    Fill(&value, sizeof value);
    return value;
  }

  /// A driver result code: mostly 0, so that successful paths are reached,
  /// otherwise any 32-bit code.
  std::int32_t TakeCode() {
    return Take<std::uint8_t>() < 192 ? 0 : Take<std::int32_t>();
  }

 private:
  const std::uint8_t* m_data = nullptr;
  std::size_t m_size = 0;
  std::size_t m_position = 0;
};

/// The input of the current run, shared by the fuzz driver and the target.
FuzzInput& Input();

}  // namespace kelvara::fuzz
