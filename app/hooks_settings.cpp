// The settings file's side of the loop. Until LoadSettings and SaveSettings exist the
// window keeps its built-in defaults and the save button does nothing.
#include "app/loop_hooks.h"

namespace zen {

void WireSettingsHooks(LoopHooks& hooks) {
  (void)hooks;
  // hooks.load_settings = LoadSettings;
  // hooks.save_settings = SaveSettings;
}

}  // namespace zen
