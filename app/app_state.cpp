#include "app/app_state.h"

namespace zen {

AppState& App() {
  static AppState state;
  return state;
}

void ResetAppState() { App() = AppState(); }

}  // namespace zen
