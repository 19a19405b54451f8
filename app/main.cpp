// The window program: Zentrova.app/Contents/MacOS/Zentrova.
#include <cstdio>
#include <string>
#include <vector>

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
  auto window_system = zen::gui::CreateQtGui(argc, argv);
  // The toolkit has taken its own options out; the rest are files to open ("Open with").
  const std::vector<std::string> files(argv + 1, argv + argc);
  return zen::RunApplication(std::move(window_system), files);
}
