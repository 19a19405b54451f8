// The About window's 3D scene: loading the engine, opening its screen on the window, then
// the package model (about_scene_model.cpp).
#include <cmath>

#include "app/about/about_scene_model.h"
#include "app/about/about_window.h"
#include "engine3d/loader/engine_loader.h"
#include "platform/gui/main_controls.h"

namespace zen {
namespace {

using gui::Gui;

constexpr int kSceneWidth = 360;  // points: the window's upper part, above the text
constexpr int kSceneHeight = 320;

// Frames go to the window's upper 360 x 320 points, whatever the backing scale.
void PresentInWindow(const EngineFrame& frame, double scale) {
  gui::Rect area{static_cast<int>(std::lround(frame.x / scale)), 0, static_cast<int>(std::lround(frame.width / scale)),
                 static_cast<int>(std::lround(frame.height / scale))};
  Gui().PresentFrame(static_cast<gui::WindowId>(frame.window), area, frame.rgba, frame.width, frame.height);
}

bool OpenScreen(const EngineEntries& e, double s) {
  e.screen.set_antialiasing(1);
  SetEngineFrameSink([s](const EngineFrame& frame) { PresentInWindow(frame, s); });
  return e.screen.open_window_screen(gui::AboutWindow, 0, static_cast<int32_t>(std::lround(-kSceneHeight * (s - 1))),
                                     static_cast<int32_t>(std::lround(kSceneWidth * s)),
                                     static_cast<int32_t>(std::lround(kSceneHeight * s)), 32) != 0;
}

void ShowSceneError() { Gui().MessageBox(u"Error", u"Can't open windowed screen!", gui::MessageIcon::Plain); }

}  // namespace

bool SetUpAboutScene(Colour window_colour, double backing_scale) {
  if (!LoadEngine()) {
    ShowSceneError();
    return false;
  }
  const EngineEntries& e = Engine();
  // The 2D layer of the original engine needs no preparation here: frames are plain pixels.
  if (!OpenScreen(e, backing_scale)) {
    ShowSceneError();
    return false;
  }
  BuildAboutScene(e, window_colour, "res/package");
  return true;
}

Colour TakeWindowColour() {
  int64_t system = Gui().WindowBackgroundColour();
  if (system == -1) return 0xFFFFFFFFu;
  ImageId image = static_cast<ImageId>(ImageCreate(AnyNumber, 1, 1));
  if (image == 0) return static_cast<Colour>(system);
  Colour colour = static_cast<Colour>(system);
  if (DrawingStart(ImageDrawTarget(image))) {
    FillRect(0, 0, 1, 1, static_cast<Colour>(system));  // the swatch
    colour = PixelRead(0, 0);
    DrawingStop();
  }
  ImageFree(image);
  return colour;
}

}  // namespace zen
