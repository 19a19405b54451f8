// The About window's side of the loop. Until it exists the "정보" button does nothing.
#include "app/loop_hooks.h"

namespace zen {

void WireAboutHooks(LoopHooks& hooks) {
  (void)hooks;
  // hooks.show_about_window = ShowAboutWindow;
  // hooks.handle_about_event = HandleAboutEvent;        // void(const gui::Event&)
  // hooks.about_animation_step = AboutAnimationStep;
  // hooks.exit_cleanup = ...;                             // unload the engine
}

}  // namespace zen
