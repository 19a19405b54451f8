#include "app/startup.h"

#include <unistd.h>

#include <clocale>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_fields.h"
#include "app/main_window.h"
#include "app/settings/settings_folder.h"
#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "platform/clock.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "sources/source_list.h"

namespace zen {
namespace {

constexpr char16_t UpdateCheckBaseUrl[] = u"https://www.zentrova.com";

std::string ParentFolder(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string WorkingFolder() {
  std::vector<char> buffer(4096);
  if (!getcwd(buffer.data(), buffer.size())) return {};
  return buffer.data();
}

void SetLocale() {
  if (!std::setlocale(LC_ALL, "en_US.UTF-8")) std::setlocale(LC_ALL, "C.UTF-8");
  std::setlocale(LC_NUMERIC, "C");
}

void TakeScaleFactors() {
  AppState& app = App();
  app.backing_scale = gui::Gui().BackingScaleFactor();
  app.image_scale = std::trunc(app.backing_scale * 100.0) / 100.0;
  if (app.image_scale <= 0) app.image_scale = 1.0;
}

}  // namespace

std::string BundleContentsFolder() {
  std::vector<char> buffer(4096);
  const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return {};
  const std::string program(buffer.data(), static_cast<size_t>(length));
  return ParentFolder(ParentFolder(program));  // <Contents>/MacOS/<program>
}

void PrepareProcess() {
  const std::string contents = BundleContentsFolder();
  if (!contents.empty() && chdir(contents.c_str()) != 0) {
    // Without the bundle the pictures are missing; the window still works.
  }
  SetLocale();
}

void WireProgramHooks(LoopHooks& hooks) {
  hooks.now = ElapsedMs;
  WireJobHooks(hooks);
  WireSourceListHooks(hooks);
  WireSettingsHooks(hooks);
  WireAboutHooks(hooks);
  WireReviewHooks(hooks);
}

void StartUp(bool wire_hooks) {
  ElapsedMs();  // the clock's first reading
  if (wire_hooks) WireProgramHooks(Hooks());
  AppState& app = App();
  app.app_version = VersionNumber();
  app.update_check_base_url = UpdateCheckBaseUrl;
  app.settings_folder = SettingsFolderPath();
  MakeSettingsFolder(app.settings_folder);
  LoadMainFonts();
  TakeScaleFactors();
  app.about_animating = false;
  app.job_end_time = -1;
  RegisterAllCodecs();
  app.converter_path = FromUtf8(WorkingFolder()) + u"/" + u"/MacOS/ZenHelper";
  CallHook(Hooks().reset_job);
  BuildMainWindow();
  RefreshDigitsLabel();
  CallHook(Hooks().load_settings);
  app.about_last_tick = ElapsedMs();
  app.last_valid_folder_name = FindField(gui::CtlFolderBox)->text;
  app.last_valid_prefix = FindField(gui::CtlPrefixBox)->text;
}

void ExitCleanUp() {
  CallHook(Hooks().exit_cleanup);
  // Windows first: nothing may paint an image after it is freed.
  if (gui::GuiInstalled()) gui::Gui().CloseAll();
  CallHook(Hooks().release_job);
  ImageFree(AllImages);
}

std::u16string CommandLineDropText(const std::vector<std::string>& args) {
  std::vector<std::u16string> paths;
  for (const std::string& arg : args) {
    if (arg.empty()) continue;
    std::error_code error;
    paths.push_back(FromUtf8(std::filesystem::absolute(arg, error).lexically_normal().string()));
  }
  return DropTextOf(paths);
}

void DropOnSourceList(const std::u16string& text) {
  if (text.empty()) return;
  gui::Event drop;
  drop.kind = gui::EventKind::Drop;
  drop.window = gui::MainWindow;
  drop.control = gui::CtlSourceList;
  drop.dropped = text;
  HandleMainWindowEvent(drop);
}

int RunApplication(std::unique_ptr<gui::WindowSystem> window_system, const std::vector<std::string>& args) {
  const std::u16string dropped = CommandLineDropText(args);
  PrepareProcess();
  gui::InstallGui(std::move(window_system));
  StartUp();
  DropOnSourceList(dropped);
  RunLoop();
  ExitCleanUp();
  gui::InstallGui(nullptr);
  return 0;
}

}  // namespace zen
