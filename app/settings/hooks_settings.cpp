// The settings file's side of the loop.
#include "app/loop_hooks.h"
#include "app/settings/settings.h"
#include "platform/prefs.h"

namespace zen {

void WireSettingsHooks(LoopHooks& hooks) {
  hooks.load_settings = LoadSettings;
  hooks.save_settings = SaveSettings;
}

}  // namespace zen
