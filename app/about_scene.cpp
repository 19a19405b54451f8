// The About window's 3D scene: loading the engine, opening its screen on the window and
// building the package model, in the order the engine expects.
#include <cmath>

#include "app/about_window.h"
#include "platform/engine_loader.h"
#include "platform/gui/main_controls.h"

namespace zen {
namespace {

using gui::Gui;

constexpr int kSceneWidth = 360;   // points: the window's upper part, above the text
constexpr int kSceneHeight = 320;

// Frames go to the window's upper 360 x 320 points, whatever the backing scale.
void PresentInWindow(const EngineFrame& frame, double scale) {
  gui::Rect area{static_cast<int>(std::lround(frame.x / scale)), 0,
                 static_cast<int>(std::lround(frame.width / scale)), static_cast<int>(std::lround(frame.height / scale))};
  Gui().PresentFrame(static_cast<gui::WindowId>(frame.window), area, frame.rgba, frame.width, frame.height);
}

bool OpenScreen(const EngineEntries& e, double s) {
  e.screen.set_antialiasing(1);
  SetEngineFrameSink([s](const EngineFrame& frame) { PresentInWindow(frame, s); });
  return e.screen.open_window_screen(gui::AboutWindow, 0, static_cast<int32_t>(std::lround(-kSceneHeight * (s - 1))),
                                     static_cast<int32_t>(std::lround(kSceneWidth * s)),
                                     static_cast<int32_t>(std::lround(kSceneHeight * s)), 32) != 0;
}

void SetUpCamera(const EngineEntries& e, Colour window_colour) {
  e.cameras.create(0, 0, 0, 100, 100);
  e.cameras.field_of_view(0, 30);
  e.cameras.background(0, window_colour);
  e.cameras.move(0, 0, 0.25f, 0.65f, 2);
  e.cameras.look_at(0, 0, -0.025f, 0);
}

void SetUpMaterials(const EngineEntries& e, Colour window_colour) {
  e.textures.load(0, "Package.png");
  e.materials.create(0, 0);
  e.materials.filtering(0, 3, 8);
  e.materials.unlit(0, 1);

  e.textures.create(1, 2, 2);
  if (DrawingStart(e.textures.draw_into(1))) {
    FillRect(0, 0, 2, 2, window_colour);
    DrawingStop();
  }
  e.materials.create(1, 1);
  e.textures.load(2, "PackagePlane.png");
  e.materials.add_layer(1, 2, 2);
  e.materials.filtering(1, 3, 8);
  e.materials.unlit(1, 1);

  e.textures.load(3, "Env.png");
  e.materials.create(2, 0);
  e.materials.filtering(2, 3, 8);
  e.materials.add_layer(2, 3, 1);
  e.materials.attribute(2, 15, 2, 1);
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
  SetUpCamera(e, window_colour);
  e.resources.add_folder("res/package", 0);
  e.meshes.load(0, "Package.mesh");
  e.meshes.load(1, "PackagePlane.mesh");
  e.meshes.load(2, "PackageSticker1.mesh");
  SetUpMaterials(e, window_colour);
  e.entities.create(0, 0, 0);
  e.entities.create(1, 1, 1);
  e.entities.create(2, 2, 2);
  e.entities.attach(0, "", 1);
  e.entities.attach(0, "", 2);
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
