#pragma once
// The Qt 6 Widgets window system. Only this folder and tests include it; the rest of the
// program sees the WindowSystem interface.
#include <QApplication>
#include <QButtonGroup>
#include <QFocusEvent>
#include <QFont>
#include <QPointer>
#include <QTranslator>
#include <deque>
#include <functional>
#include <map>
#include <memory>

#include "platform/gui/qt/qt_widgets.h"
#include "platform/gui/window_system.h"

namespace zen::gui {

class FocusReporter;

class QtGui final : public WindowSystem {
 public:
  // Creates the QApplication unless one exists (argc and argv must outlive it).
  QtGui(int& argc, char** argv);
  ~QtGui() override;

  bool OpenWindow(WindowId id, int content_width, int content_height, std::u16string_view title, WindowId parent,
                  bool can_minimise) override;
  void ShowWindow(WindowId id, bool visible) override;
  void EnableWindow(WindowId id, bool enabled) override;
  bool WindowEnabled(WindowId id) override;
  void SetContentSize(WindowId id, int width, int height) override;
  Rect ContentSize(WindowId id) override;
  Rect WindowFrame(WindowId id) override;
  void CloseAll() override;
  bool LoadFont(int font, int points, bool bold) override;
  bool CreateControl(WindowId window, ControlId id, ControlKind kind, Rect geometry, std::u16string_view label,
                     const ControlOptions& options) override;
  void SetText(ControlId id, std::u16string_view text) override;
  std::u16string Text(ControlId id) override;
  void SetState(ControlId id, int state) override;
  int State(ControlId id) override;
  void AddItem(ControlId id, std::u16string_view item) override;
  void SetImage(ControlId id, const NativeImage* image) override;
  void SetStrip(ControlId id, const StripContent& content) override;
  std::vector<StripLine> StripLines(ControlId id) override;
  void SetColumns(ControlId list, const std::vector<ListColumn>& columns) override;
  int RowCount(ControlId list) override;
  void InsertRow(ControlId list, int index, std::u16string_view c0, std::u16string_view c1,
                 std::u16string_view c2) override;
  void RemoveRow(ControlId list, int index) override;
  void ClearRows(ControlId list) override;
  std::u16string CellText(ControlId list, int row, int column) override;
  void SetCellText(ControlId list, int row, int column, std::u16string_view text) override;
  void SetRowIcon(ControlId list, int row, const NativeImage* icon) override;
  bool RowSelected(ControlId list, int row) override;
  void SelectRow(ControlId list, int row) override;
  void ClearSelection(ControlId list) override;
  void SetToolTip(ControlId id, std::u16string_view text) override;
  void SetRowToolTip(ControlId list, int row, std::u16string_view text) override;
  void AddShortcut(ControlId control, std::u16string_view keys, ControlId scope) override;
  void SetTabOrder(const std::vector<ControlId>& order) override;
  void PaintNow() override;
  void MessageBox(std::u16string_view title, std::u16string_view text, MessageIcon icon) override;
  std::vector<std::u16string> OpenFilesDialog(std::u16string_view title, std::u16string_view filter,
                                              bool multiple) override;
  bool WaitEvent(Event& event) override;
  bool PollEvent(Event& event) override;
  double BackingScaleFactor() override;
  int PointerY() override;
  int64_t WindowBackgroundColour() override;
  void PresentFrame(WindowId window, Rect area, const uint8_t* rgba, int width, int height) override;

  // For tests: the widget of a window or control (for an image button, its clipping box;
  // the button itself is its only child), or nullptr.
  QWidget* WindowWidget(WindowId id) const;
  QWidget* ControlWidget(ControlId id) const;
  // Queues an event as the toolkit's signals do.
  void Push(const Event& event);
  void PushControlEvent(ControlId id, EventSubtype subtype);
  size_t PendingEvents() const { return queue_.size(); }

 private:
  struct WindowRecord {
    QPointer<TopWindow> widget;
    WindowId parent = NoWindow;
    bool shown_once = false;
    QPointer<FrameView> frame_view;
  };
  struct ControlRecord {
    WindowId window = NoWindow;
    ControlKind kind = ControlKind::Text;
    QPointer<QWidget> widget;
    QPointer<QWidget> inner;  // the button of an image button
    std::u16string label;     // texts of buttons, boxes and frames as given
    const NativeImage* image = nullptr;
    uint64_t image_revision = 0;
    QPointer<QButtonGroup> group;  // options
  };

  QWidget* MakeWidget(ControlId id, ControlRecord& record, QWidget* parent, Rect geometry, std::u16string_view label,
                      const ControlOptions& options);
  QWidget* MakeEntry(ControlId id, QWidget* parent, const ControlOptions& options);
  QWidget* MakeCombo(ControlId id, QWidget* parent, bool editable);
  QWidget* MakeList(ControlId id, QWidget* parent, WindowId window);
  QWidget* MakeImageButton(ControlId id, ControlRecord& record, QWidget* parent, Rect geometry);
  QWidget* MakeOption(ControlId id, ControlRecord& record, QWidget* parent, WindowId window);
  void ConnectPressed(ControlId id, QWidget* widget);
  ControlRecord* Find(ControlId id);
  QTreeWidget* FindList(ControlId id);
  void RefreshImage(ControlRecord& record);
  void RefreshChangedImages();
  bool PopEvent(Event& event);
  void PumpOnce(bool wait);
  void ChooseKoreanFont();
  void CentreOnScreen(TopWindow* window);
  // The window a modal box returns the keyboard to: the one of ours last shown or
  // activated (the window system may not have activated a window just shown yet).
  QWidget* FrontWindow() const;
  void NoteActivated(QWindow* window);

  std::unique_ptr<QApplication> own_app_;
  std::unique_ptr<QTranslator> translator_;
  std::unique_ptr<FocusReporter> focus_reporter_;
  std::map<WindowId, WindowRecord> windows_;
  std::map<ControlId, ControlRecord> controls_;
  std::map<int, QFont> fonts_;
  std::deque<Event> queue_;
  WindowId main_window_ = NoWindow;
  QPointer<QWidget> front_window_;
  ControlId last_created_ = NoControl;
  // Where the open dialog starts: the folder of the last choice, at first the home
  // folder (the working directory is the bundle, where no artist keeps pages).
  QString open_dialog_folder_;
};

// Turns focus changes of entries and combo boxes, and the application's quit request,
// into our events. Focus moving because a window was (de)activated or a popup opened is
// no edit ending, so it is not reported.
class FocusReporter final : public QObject {
 public:
  explicit FocusReporter(QtGui* gui) : gui_(gui) {}
  void Watch(QWidget* widget, ControlId id) {
    // The filter sits on the application, which sees every widget's events first.
    ids_[widget] = id;
    QObject::connect(widget, &QObject::destroyed, this, [this, widget] { ids_.erase(widget); });
  }
  std::function<void()> on_quit;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Quit && watched == qApp) {
      if (on_quit) on_quit();
      return true;  // refused: only closing the main window ends the program
    }
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut) return false;
    auto it = ids_.find(watched);
    if (it == ids_.end()) return false;
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
    gui_->PushControlEvent(it->second,
                           event->type() == QEvent::FocusIn ? EventSubtype::FocusGained : EventSubtype::FocusLost);
    return false;
  }

 private:
  QtGui* gui_;
  std::map<QObject*, ControlId> ids_;
};

// The file dialog's name filters from our filter text ("label | patterns | ...").
QStringList NameFiltersFromText(std::u16string_view filter);

}  // namespace zen::gui
