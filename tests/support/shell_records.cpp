#include "tests/support/shell_records.h"

#include <memory>

#include "app/app_state.h"
#include "app/loop_hooks.h"
#include "imaging/image_table.h"

namespace zen::test {

void ResetProcessRecords() {
  ResetAppState();
  ResetHooks();
  ResetImageTable();
}

gui::HeadlessGui* InstallHeadlessGui() {
  auto owned = std::make_unique<gui::HeadlessGui>();
  gui::HeadlessGui* headless = owned.get();
  gui::InstallGui(std::move(owned));
  return headless;
}

}  // namespace zen::test
