#include "app/loop_hooks.h"

#include "platform/clock.h"

namespace zen {

LoopHooks& Hooks() {
  static LoopHooks hooks = [] {
    LoopHooks fresh;
    fresh.now = ElapsedMs;
    return fresh;
  }();
  return hooks;
}

void ResetHooks() {
  Hooks() = LoopHooks();
  Hooks().now = ElapsedMs;
}

}  // namespace zen
