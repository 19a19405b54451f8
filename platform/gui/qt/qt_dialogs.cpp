// The Qt window system: message boxes, the open dialog, and making the window system.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLabel>
#include <QMessageBox>
#include <QScreen>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/gui/qt/qt_gui.h"
#include "platform/gui/qt/qt_gui_impl.h"
#include "platform/gui/qt/qt_widgets.h"

namespace zen::gui {
namespace {

QString ToQ(std::u16string_view text) { return QString::fromStdU16String(std::u16string(text)); }

// Qt wraps a message wider than half the screen (500 pixels at most). A line reads best
// whole: the text asks for the width of its longest line, within the width Qt allows a box
// on this screen (room kept for the icon and the margins).
void KeepLinesWhole(QMessageBox& box, const QString& body) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  const QScreen* screen = box.screen();
  if (!label || !screen) return;
  const int screen_width = screen->availableGeometry().width();
  const int box_limit = screen_width <= 1024 ? screen_width : std::min(screen_width - 480, 1000);
  constexpr int kIconAndMargins = 120;
  const QFontMetrics metrics(label->font());
  int longest = 0;
  for (const QString& line : body.split(QChar(u'\n'))) longest = std::max(longest, metrics.horizontalAdvance(line));
  label->setMinimumWidth(std::min(longest + 4, box_limit - kIconAndMargins));
}

}  // namespace

// The title stands in the box's title bar, the text alone inside it. Texts end lines with
// "\r" (or "\r\n"), as the program writes them.
void QtGui::MessageBox(std::u16string_view title, std::u16string_view text, MessageIcon icon) {
  QPointer<QWidget> previous = FrontWindow();
  QString body = ToQ(text);
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(QChar(u'\r'), QChar(u'\n'));
  QMessageBox box(icon == MessageIcon::Stop ? QMessageBox::Critical : QMessageBox::Information, ToQ(title), body,
                  QMessageBox::Ok, previous);
  box.setTextFormat(Qt::PlainText);
  KeepLinesWhole(box, body);
  box.exec();
  Reactivate(previous);
}

namespace {

// Whether a Unix socket accepts a connection (an X server's, for example).
bool SocketAnswers(const std::string& path, bool abstract) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof(address.sun_path)) {
    close(fd);
    return false;
  }
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
  close(fd);
  return ok;
}

bool XDisplayAnswers(const std::string& display) {
  // Local displays only (":N" or ":N.S"); a remote one is left to the toolkit.
  if (display.empty() || display[0] != ':') return true;
  std::string number = display.substr(1);
  number = number.substr(0, number.find('.'));
  if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
  const std::string path = "/tmp/.X11-unix/X" + number;
  return SocketAnswers(path, true) || SocketAnswers(path, false);
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

bool DisplayAvailable(std::string* why) {
  if (!Environment("QT_QPA_PLATFORM").empty()) return true;
  const std::string display = Environment("DISPLAY");
  if (!display.empty()) {
    if (XDisplayAnswers(display)) return true;
    if (why) *why = "the X display " + display + " does not answer";
    return false;
  }
  const std::string wayland = Environment("WAYLAND_DISPLAY");
  if (!wayland.empty()) {
    const std::string runtime = Environment("XDG_RUNTIME_DIR");
    const std::string path = wayland[0] == '/' ? wayland : runtime + "/" + wayland;
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) return true;
    if (why) *why = "the Wayland display " + wayland + " does not answer";
    return false;
  }
  if (why) *why = "no display found (DISPLAY and WAYLAND_DISPLAY are unset)";
  return false;
}

std::unique_ptr<WindowSystem> CreateQtGui(int& argc, char** argv) { return std::make_unique<QtGui>(argc, argv); }

}  // namespace zen::gui
