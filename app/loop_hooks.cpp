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

void WireProgramHooks(LoopHooks& hooks) {
  hooks.now = ElapsedMs;
  WireJobHooks(hooks);
  WireSourceListHooks(hooks);
  WireSettingsHooks(hooks);
  WireAboutHooks(hooks);
}

}  // namespace zen
