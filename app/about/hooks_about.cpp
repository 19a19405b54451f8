// The About window's side of the loop, and the engine's module registration at start-up.
#include "app/about/about_window.h"
#include "app/loop_hooks.h"
#include "engine3d/loader/engine_loader.h"

namespace zen {

void WireAboutHooks(LoopHooks& hooks) {
  RegisterEngineModules();
  hooks.show_about_window = ShowAboutWindow;
  hooks.handle_about_event = HandleAboutEvent;
  hooks.about_animation_step = AboutAnimationStep;
  auto previous = hooks.exit_cleanup;
  hooks.exit_cleanup = [previous] {
    CallHook(previous);
    UnloadEngine();
  };
}

}  // namespace zen
