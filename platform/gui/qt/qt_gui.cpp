// The Qt window system: windows, fonts, the event queue and the screen.
#include <QCursor>
#include <QFile>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QKeySequence>
#include <QLibraryInfo>
#include <QPalette>
#include <QScreen>
#include <QShortcut>
#include <QVariant>
#include <QWindow>

#include "platform/gui/qt/qt_gui_impl.h"

namespace zen::gui {

QtGui::QtGui(int& argc, char** argv) {
  if (!QApplication::instance()) {
    QApplication::setApplicationName(QStringLiteral("Zentrova"));
    QApplication::setDesktopFileName(QStringLiteral("zentrova"));
    own_app_ = std::make_unique<QApplication>(argc, argv);
    // The task bar's picture, from the bundle beside the program (<Contents>/MacOS/...).
    const QString icon = QApplication::applicationDirPath() + QStringLiteral("/../res/appIcon.png");
    if (QFile::exists(icon)) QApplication::setWindowIcon(QIcon(icon));
  }
  QApplication::setQuitOnLastWindowClosed(false);
  translator_ = std::make_unique<QTranslator>();
  if (translator_->load(QStringLiteral("qtbase_ko"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator_.get());
  }
  ChooseKoreanFont();
  focus_reporter_ = std::make_unique<FocusReporter>(this);
  focus_reporter_->on_quit = [this] {
    if (main_window_ != NoWindow) Push(Event{EventKind::Close, main_window_, NoControl, EventSubtype::None, {}});
  };
  qApp->installEventFilter(focus_reporter_.get());
  QObject::connect(qApp, &QGuiApplication::focusWindowChanged, focus_reporter_.get(),
                   [this](QWindow* window) { NoteActivated(window); });
}

QtGui::~QtGui() {
  CloseAll();
  if (qApp) qApp->removeEventFilter(focus_reporter_.get());
  focus_reporter_.reset();
  if (translator_) QApplication::removeTranslator(translator_.get());
  translator_.reset();
  own_app_.reset();
}

// The system font must show Hangul: take a Korean family when the default one has none.
void QtGui::ChooseKoreanFont() {
  QFont font = QApplication::font();
  const QList<QFontDatabase::WritingSystem> systems = QFontDatabase::writingSystems(font.family());
  if (systems.contains(QFontDatabase::Korean)) return;
  const QStringList korean = QFontDatabase::families(QFontDatabase::Korean);
  for (const char* preferred : {"NanumBarunGothic", "NanumGothic", "Noto Sans CJK KR", "Noto Sans KR"}) {
    if (korean.contains(QString::fromLatin1(preferred))) {
      font.setFamily(QString::fromLatin1(preferred));
      QApplication::setFont(font);
      return;
    }
  }
  if (!korean.isEmpty()) {
    font.setFamily(korean.front());
    QApplication::setFont(font);
  }
}

// --- windows -------------------------------------------------------------------------

bool QtGui::OpenWindow(WindowId id, int content_width, int content_height, std::u16string_view title, WindowId parent,
                       bool can_minimise) {
  if (id < 0 || content_width <= 0 || content_height <= 0) return false;
  if (windows_.count(id)) return false;
  QWidget* parent_widget = WindowWidget(parent);
  // A window that belongs to another is a dialog to the window manager: it carries the
  // transient-for hint, so it stays above its owner and has no task-bar entry of its own.
  Qt::WindowFlags flags = (parent_widget ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint;
  if (can_minimise) flags |= Qt::WindowMinimizeButtonHint;
  auto* window = new TopWindow(
      parent_widget, flags,
      [this, id] {
        Push(Event{EventKind::Close, id, NoControl, EventSubtype::None, {}});
      },
      [this, id] {
        if (WindowEnabled(id)) Push(Event{EventKind::Cancel, id, NoControl, EventSubtype::None, {}});
      });
  window->setWindowTitle(QString::fromStdU16String(std::u16string(title)));
  window->setFixedSize(content_width, content_height);
  window->setAutoFillBackground(true);
  WindowRecord record;
  record.widget = window;
  record.parent = parent;
  windows_[id] = record;
  if (parent == NoWindow && main_window_ == NoWindow) {
    main_window_ = id;
    // No menu bar, but the usual quit shortcut acts as the close box.
    // Ctrl+Q by name: some platform themes (offscreen, bare X) bind no standard Quit key.
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), window);
    quit->setContext(Qt::ApplicationShortcut);
    QObject::connect(quit, &QShortcut::activated, window, [this, id] {
      Push(Event{EventKind::Close, id, NoControl, EventSubtype::None, {}});
    });
  }
  return true;
}

void QtGui::CentreOnScreen(TopWindow* window) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
}

void QtGui::ShowWindow(WindowId id, bool visible) {
  auto it = windows_.find(id);
  if (it == windows_.end() || !it->second.widget) return;
  TopWindow* window = it->second.widget;
  if (!visible) {
    window->hide();
    if (front_window_ == window) front_window_ = WindowWidget(it->second.parent);
    return;
  }
  if (!it->second.shown_once) {
    it->second.shown_once = true;
    CentreOnScreen(window);
  }
  window->show();
  window->raise();
  window->activateWindow();
  front_window_ = window;
}

QWidget* QtGui::FrontWindow() const {
  if (front_window_ && front_window_->isVisible()) return front_window_;
  return QApplication::activeWindow();
}

void QtGui::NoteActivated(QWindow* activated) {
  if (!activated) return;
  for (const auto& [id, record] : windows_) {
    if (!record.widget || record.widget->windowHandle() != activated) continue;
    // A window set aside for one of its own (the main window under the About window) passes
    // the click that activated it on to that one, as the owner of a modal dialog does:
    // the keyboard goes where the user can act.
    if (!WindowEnabled(id)) {
      for (const auto& entry : windows_) {
        const WindowRecord& owned = entry.second;
        if (owned.parent == id && owned.widget && owned.widget->isVisible()) {
          Reactivate(owned.widget);
          return;
        }
      }
    }
    front_window_ = record.widget.data();
  }
}

// Disabling a window disables its own controls only: Qt would also disable the child
// windows it owns (the About window, whose buttons must keep working meanwhile).
void QtGui::EnableWindow(WindowId id, bool enabled) {
  QWidget* w = WindowWidget(id);
  if (!w) return;
  w->setProperty("zenEnabled", enabled);
  for (QObject* child : w->children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    if (widget && !widget->isWindow()) widget->setEnabled(enabled);
  }
}

bool QtGui::WindowEnabled(WindowId id) {
  QWidget* w = WindowWidget(id);
  if (!w) return false;
  const QVariant flag = w->property("zenEnabled");
  return w->isEnabled() && (!flag.isValid() || flag.toBool());
}

void QtGui::SetContentSize(WindowId id, int width, int height) {
  QWidget* w = WindowWidget(id);
  if (!w || width <= 0 || height <= 0) return;
  w->setFixedSize(width, height);  // a top-level window keeps its top-left corner
}

Rect QtGui::ContentSize(WindowId id) {
  QWidget* w = WindowWidget(id);
  if (!w) return {};
  return {0, 0, w->width(), w->height()};
}

Rect QtGui::WindowFrame(WindowId id) {
  QWidget* w = WindowWidget(id);
  if (!w) return {};
  const QRect frame = w->frameGeometry();
  return {frame.x(), frame.y(), frame.width(), frame.height()};
}

void QtGui::CloseAll() {
  // Children first, so no window outlives the one it belongs to.
  for (auto it = windows_.rbegin(); it != windows_.rend(); ++it) {
    if (it->second.widget) {
      it->second.widget->hide();
      delete it->second.widget.data();
    }
  }
  windows_.clear();
  controls_.clear();
  fonts_.clear();
  queue_.clear();
  main_window_ = NoWindow;
  last_created_ = NoControl;
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QWidget* QtGui::WindowWidget(WindowId id) const {
  auto it = windows_.find(id);
  return it == windows_.end() ? nullptr : it->second.widget.data();
}

bool QtGui::LoadFont(int font, int points, bool bold) {
  if (points <= 0) return false;
  QFont f = QApplication::font();
  // Geometry is in points of 1/72 inch at one pixel each, so the size is in pixels too.
  f.setPixelSize(points);
  f.setBold(bold);
  fonts_[font] = f;
  return true;
}

// --- events --------------------------------------------------------------------------

void QtGui::PaintNow() {
  RefreshChangedImages();
  // All events, input too: widgets only queue our events, which the loop takes in its next
  // turn, so nothing of the program runs here. (Input held back with
  // ExcludeUserInputEvents stays stuck in the X connection until another X event comes.)
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtGui::Push(const Event& event) { queue_.push_back(event); }

void QtGui::PushControlEvent(ControlId id, EventSubtype subtype) {
  auto it = controls_.find(id);
  if (it == controls_.end()) return;
  Push(Event{EventKind::Control, it->second.window, id, subtype, {}});
}

bool QtGui::PopEvent(Event& event) {
  if (queue_.empty()) return false;
  event = std::move(queue_.front());
  queue_.pop_front();
  return true;
}

void QtGui::PumpOnce(bool wait) {
  RefreshChangedImages();
  QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents;
  if (wait) flags |= QEventLoop::WaitForMoreEvents;
  QCoreApplication::processEvents(flags);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

bool QtGui::WaitEvent(Event& event) {
  // Qt wakes for its own events too (paints, timers): sleep again until one of ours comes.
  while (queue_.empty()) PumpOnce(true);
  return PopEvent(event);
}

bool QtGui::PollEvent(Event& event) {
  if (queue_.empty()) PumpOnce(false);
  return PopEvent(event);
}

// --- the screen ----------------------------------------------------------------------

double QtGui::BackingScaleFactor() {
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->devicePixelRatio() : 1.0;
}

int QtGui::PointerY() { return QCursor::pos().y(); }

int64_t QtGui::WindowBackgroundColour() {
  const QColor c = QApplication::palette().color(QPalette::Active, QPalette::Window);
  if (!c.isValid()) return -1;
  return static_cast<int64_t>(
      ColourPack(static_cast<uint32_t>(c.red()), static_cast<uint32_t>(c.green()), static_cast<uint32_t>(c.blue())));
}

void QtGui::PresentFrame(WindowId window, Rect area, const uint8_t* rgba, int width, int height) {
  auto it = windows_.find(window);
  if (it == windows_.end() || !it->second.widget || !rgba || width <= 0 || height <= 0) return;
  WindowRecord& record = it->second;
  if (!record.frame_view) {
    record.frame_view = new FrameView(record.widget);
    record.frame_view->show();
  }
  record.frame_view->setGeometry(area.x, area.y, area.width, area.height);
  QImage frame(rgba, width, height, static_cast<qsizetype>(width) * 4, QImage::Format_RGBA8888);
  record.frame_view->SetFrame(frame.copy());
}

}  // namespace zen::gui
