#include "engine3d/engine_state.h"

namespace zen::engine3d {

EngineState& State() {
  static EngineState state;
  return state;
}

void ResetState() { State() = EngineState{}; }

}  // namespace zen::engine3d
