#include "SimState.hpp"

namespace kelvara::sim::detail {

State& GetState() {
  // Deliberately never deleted: device objects that robot code destroys
  // during the program's exit, in any order, still find the state.
  // NOLINTNEXTLINE(cppcoreguidelines-owning-memory,cppcoreguidelines-avoid-non-const-global-variables)
  static auto* const state = new State;
  return *state;
}

}  // namespace kelvara::sim::detail
