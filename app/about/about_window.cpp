#include "app/about/about_window.h"

#include "app/app_state.h"
#include "engine3d/loader/engine_loader.h"
#include "platform/clock.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"

namespace zen {
namespace {

using gui::Gui;

constexpr int kWidth = 360;
constexpr int kHeight = 520;

void BuildControls() {
  gui::ControlOptions centred;
  centred.font = gui::FontLarge;
  centred.align = gui::Align::Centre;
  std::u16string version = u"Zentrova V2 (" + AboutVersionText(App().app_version) + u")";
  Gui().CreateControl(gui::AboutWindow, gui::CtlAboutVersion, gui::ControlKind::Text, {20, 320, 320, 40}, version,
                      centred);
  gui::Rect inner = Gui().ContentSize(gui::AboutWindow);
  const int w = inner.width, h = inner.height;
  Gui().CreateControl(gui::AboutWindow, gui::CtlAboutUpdate, gui::ControlKind::Button, {10, h - 60, 150, 30},
                      u"업데이트 확인", {});
  Gui().CreateControl(gui::AboutWindow, gui::CtlAboutClose, gui::ControlKind::Button, {w - 160, h - 60, 150, 30},
                      u"닫기", {});
}

void BuildAboutWindow() {
  AboutWindowState& about = AboutWindowRecord();
  Gui().OpenWindow(gui::AboutWindow, kWidth, kHeight, u"정보", gui::MainWindow, false);
  about.built = true;
  Gui().EnableWindow(gui::MainWindow, false);
  BuildControls();
  Gui().ShowWindow(gui::AboutWindow, true);
  about.window_colour = TakeWindowColour();
  if (SetUpAboutScene(about.window_colour, App().backing_scale)) {
    about.scene = true;
    App().about_animating = true;
    App().about_last_tick = ElapsedMs();
  }
}

void CloseAboutWindow() {
  Gui().EnableWindow(gui::MainWindow, true);
  Gui().ShowWindow(gui::AboutWindow, false);
  App().about_animating = false;
}

}  // namespace

AboutWindowState& AboutWindowRecord() {
  static AboutWindowState state;
  return state;
}

void ResetAboutWindow() { AboutWindowRecord() = AboutWindowState{}; }

void ShowAboutWindow() {
  AboutWindowState& about = AboutWindowRecord();
  if (!about.built) {
    BuildAboutWindow();
    return;
  }
  Gui().ShowWindow(gui::AboutWindow, true);
  if (about.scene) App().about_animating = true;
}

void HandleAboutEvent(const gui::Event& event) {
  if (event.window != gui::AboutWindow) return;
  // Escape closes the window as its close box does.
  if (event.kind == gui::EventKind::Close || event.kind == gui::EventKind::Cancel) {
    CloseAboutWindow();
  } else if (event.kind == gui::EventKind::Control && event.control == gui::CtlAboutClose) {
    CloseAboutWindow();
  } else if (event.kind == gui::EventKind::Control && event.control == gui::CtlAboutUpdate) {
    CloseAboutWindow();
    StartProgram(u"Open", UpdateAddress(App().update_check_base_url, App().app_version), u"", 0);
  }
}

void AboutAnimationStep() {
  if (!AboutWindowRecord().scene) return;
  AppState& app = App();
  const EngineEntries& e = Engine();
  const int64_t now = ElapsedMs();
  const int64_t dt = now - app.about_last_tick;
  app.about_last_tick = now;
  const double yaw = e.entities.yaw(0);
  e.entities.rotate(0, 0, static_cast<float>(yaw + 0.05 * static_cast<double>(dt)), 0);

  const double k = app.image_scale;  // the backing scale cut to two decimals
  const gui::Rect frame = Gui().WindowFrame(gui::AboutWindow);
  const float ref = static_cast<float>(frame.y * k + frame.height * k * 0.1);
  const float f = static_cast<float>((Gui().PointerY() - ref) / frame.height * k * 0.5);
  const float cy = e.cameras.height(0);
  e.cameras.move(0, 0, f * 0.3f - cy, 0, 8);
  e.cameras.look_at(0, 0, -0.025f, 0);
  e.screen.render_frame();
  e.screen.show_frame();
}

}  // namespace zen
