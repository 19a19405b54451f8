// The window program: Zentrova.app/Contents/MacOS/Zentrova.
#include <cstdio>
#include <string>

#include "app/startup.h"
#include "platform/gui/qt/qt_gui.h"

int main(int argc, char** argv) {
  std::string why;
  // Without a display the toolkit would abort; say what is missing instead.
  if (!zen::gui::DisplayAvailable(&why)) {
    std::fprintf(stderr, "Zentrova: %s.\nStart it on a desktop, or under a virtual one: xvfb-run -a %s\n", why.c_str(),
                 argc > 0 ? argv[0] : "Zentrova");
    return 1;
  }
  return zen::RunApplication(zen::gui::CreateQtGui(argc, argv));
}
