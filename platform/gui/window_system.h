#pragma once
// What the program asks of the window system, and nothing more. Two implementations sit
// behind it: Qt 6 Widgets (the real program) and a headless one (tests, the batch slicer).
// Windows and controls are addressed by small numbers the caller chooses; control numbers
// are unique across windows. Geometry is in points, origin at the top-left corner of a
// window's content, y downward. Text is UTF-16.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "imaging/image_table.h"

namespace zen::gui {

using WindowId = int;
using ControlId = int;
inline constexpr WindowId NoWindow = -1;
inline constexpr ControlId NoControl = -1;

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const Rect&) const = default;
};

// Cancel: the Escape key in a window, when no control of it took the key.
enum class EventKind { None, Control, Drop, Close, Menu, Cancel };
enum class EventSubtype { None, FocusGained, FocusLost, Changed, Pressed };

struct Event {
  EventKind kind = EventKind::None;
  WindowId window = NoWindow;  // NoWindow for menu events
  ControlId control = NoControl;
  EventSubtype subtype = EventSubtype::None;
  std::u16string dropped;  // drop events: full paths separated by line feeds
};

enum class ControlKind {
  Image,   // shows a NativeImage at its size in points (pixels / the screen scale),
           // from the top-left corner, clipped by the control
  List,    // rows of column texts, a row icon, multiple selection, accepts file drops
  Frame,   // a titled group box
  Option,  // radio button; consecutive options on one window form one group
  CheckBox,
  Text,         // a label; ControlOptions::align
  DigitsEntry,  // accepts typed text only while it stays digits 0-9 of at most max_length
  ComboEditable,
  ComboFixed,
  Button,
  ImageButton,  // geometry is the clipping box; the button inside is box + 4 points wide
                // and high, placed at (-2, -2), so the box clips its rim
  ProgressBar,  // 0 to 100
  CutStrip,     // a tall picture scrolled and zoomed, with cut lines across it that the user
                // drags, adds (double click) and removes (select, Delete); each change gives
                // Changed. State: the zoom in percent of the picture's size.
};

enum class Align { Left, Centre, Right };

struct ControlOptions {
  int font = -1;       // a font number given to LoadFont, -1 for the toolkit's default
  int max_length = 0;  // DigitsEntry
  Align align = Align::Left;
};

struct ListColumn {
  std::u16string title;
  int width = 0;  // 0 hides the column
};

enum class MessageIcon { Plain, Stop };

// A line across a cut strip: the picture's rows above `row` end a piece there.
struct StripLine {
  int64_t row = 0;  // in rows of the full image the picture stands for
  Colour colour = 0;
  int tag = -1;  // the caller's; a line the user moved or added has tag -1
  bool movable = true;
  bool operator==(const StripLine&) const = default;
};

struct StripContent {
  const NativeImage* picture = nullptr;  // the image reduced by `factor`; kept by the caller
  int32_t factor = 1;
  int64_t rows = 0;              // of the full image
  std::vector<StripLine> lines;  // rising rows
  int64_t first_number = 1;      // of the first piece, for the labels
  int64_t piece_limit = 0;       // taller pieces are flagged; 0 none
  Colour hand_colour = 0;        // of lines the user moved or added
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Windows. A window is created hidden; Show centres it on first showing.
  virtual bool OpenWindow(WindowId id, int content_width, int content_height, std::u16string_view title,
                          WindowId parent, bool can_minimise) = 0;
  virtual void ShowWindow(WindowId id, bool visible) = 0;
  virtual void EnableWindow(WindowId id, bool enabled) = 0;
  virtual bool WindowEnabled(WindowId id) = 0;
  virtual void SetContentSize(WindowId id, int width, int height) = 0;  // top edge kept
  virtual Rect ContentSize(WindowId id) = 0;                            // x, y 0
  virtual Rect WindowFrame(WindowId id) = 0;  // outer frame, points from the screen's top-left
  virtual void CloseAll() = 0;                // exit clean-up: windows released

  // Fonts: the system font at the given size, bold requested or not.
  virtual bool LoadFont(int font, int points, bool bold) = 0;

  // Controls.
  virtual bool CreateControl(WindowId window, ControlId id, ControlKind kind, Rect geometry, std::u16string_view label,
                             const ControlOptions& options) = 0;
  virtual void SetText(ControlId id, std::u16string_view text) = 0;  // entries, combos, labels
  virtual std::u16string Text(ControlId id) = 0;
  // Checked (0/1) for check boxes and options, selected index for combo boxes, value for
  // the progress bar.
  virtual void SetState(ControlId id, int state) = 0;
  virtual int State(ControlId id) = 0;
  virtual void AddItem(ControlId id, std::u16string_view item) = 0;   // combo boxes
  virtual void SetImage(ControlId id, const NativeImage* image) = 0;  // image controls and buttons

  // Cut strips: what they show, and their lines as the user left them.
  virtual void SetStrip(ControlId id, const StripContent& content) = 0;
  virtual std::vector<StripLine> StripLines(ControlId id) = 0;

  // List rows. InsertRow at -1 appends.
  virtual void SetColumns(ControlId list, const std::vector<ListColumn>& columns) = 0;
  virtual int RowCount(ControlId list) = 0;
  virtual void InsertRow(ControlId list, int index, std::u16string_view c0, std::u16string_view c1,
                         std::u16string_view c2) = 0;
  virtual void RemoveRow(ControlId list, int index) = 0;
  virtual void ClearRows(ControlId list) = 0;
  virtual std::u16string CellText(ControlId list, int row, int column) = 0;
  virtual void SetCellText(ControlId list, int row, int column, std::u16string_view text) = 0;
  virtual void SetRowIcon(ControlId list, int row, const NativeImage* icon) = 0;  // nullptr: none
  virtual bool RowSelected(ControlId list, int row) = 0;
  virtual void SelectRow(ControlId list, int row) = 0;  // adds to the selection
  virtual void ClearSelection(ControlId list) = 0;

  // Hints and keyboard. A tooltip shows while the pointer rests on the control (or row).
  virtual void SetToolTip(ControlId id, std::u16string_view text) = 0;
  virtual void SetRowToolTip(ControlId list, int row, std::u16string_view text) = 0;
  // Keys, as portable text ("Ctrl+O", "Del", "Alt+Up", "Ctrl+Return"), that press a control:
  // a Pressed event of it, as a click gives, while the control is enabled. With a scope,
  // only while the keyboard focus is in that control.
  virtual void AddShortcut(ControlId control, std::u16string_view keys, ControlId scope) = 0;
  // The order in which Tab moves the keyboard focus among one window's controls.
  virtual void SetTabOrder(const std::vector<ControlId>& order) = 0;
  // Paints what changed (texts, bars, pictures) at once and lets the window answer (what
  // the user does is queued as events for the loop's next turns): for long work between
  // two events, before it starts and while it waits.
  virtual void PaintNow() = 0;

  // Modal dialogs. After a message box the window that was active before is active again.
  virtual void MessageBox(std::u16string_view title, std::u16string_view text, MessageIcon icon) = 0;
  // The chosen full paths in order; empty when cancelled. The filter text is pairs of a
  // label and a pattern list separated by " | ", patterns separated by ";".
  virtual std::vector<std::u16string> OpenFilesDialog(std::u16string_view title, std::u16string_view filter,
                                                      bool multiple) = 0;

  // Events. WaitEvent blocks without using processor time until an event arrives;
  // PollEvent returns false at once when none is pending.
  virtual bool WaitEvent(Event& event) = 0;
  virtual bool PollEvent(Event& event) = 0;

  // The screen.
  virtual double BackingScaleFactor() = 0;
  virtual int PointerY() = 0;  // points from the top of the main screen

  // The platform's window background colour as a Colour, or -1 when there is none.
  virtual int64_t WindowBackgroundColour() = 0;
  // Shows an RGBA frame (rows top first, 4 * width bytes each) in the area of a window's
  // content; used by the 3D engine. The area is in points, the frame in pixels.
  virtual void PresentFrame(WindowId window, Rect area, const uint8_t* rgba, int width, int height) = 0;
};

// The process-wide window system. Start-up installs one; tests install a headless one.
WindowSystem& Gui();
void InstallGui(std::unique_ptr<WindowSystem> gui);
bool GuiInstalled();

}  // namespace zen::gui
