#include "SimState.hpp"

namespace kelvara::sim::detail {

State& GetState() {
  static State* const state = new State;
  return *state;
}

}  // namespace kelvara::sim::detail
