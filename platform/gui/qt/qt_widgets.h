#pragma once
// The few widgets the Qt window system adds to Qt's own: a top-level window that reports
// its close box instead of closing, a view of a NativeImage, a list that takes file drops,
// and a view of an RGBA frame. The toolkit only turns user actions into our events.
#include <QImage>
#include <QTreeWidget>
#include <QWidget>
#include <functional>
#include <string>

#include "imaging/image_table.h"

namespace zen::gui {

// A top-level window without menu bar; the close box, and the Escape key that no control
// took, become events for the loop.
class TopWindow final : public QWidget {
 public:
  TopWindow(QWidget* parent, Qt::WindowFlags flags, std::function<void()> on_close, std::function<void()> on_escape)
      : QWidget(parent, flags), on_close_(std::move(on_close)), on_escape_(std::move(on_escape)) {}

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::function<void()> on_close_;
  std::function<void()> on_escape_;
};

// Shows a NativeImage at its size in points (pixels / the screen's scale), from the
// top-left corner, clipped by the view.
class ImageView final : public QWidget {
 public:
  explicit ImageView(QWidget* parent) : QWidget(parent) {}
  void SetImage(const NativeImage* image);
  // Repaints when the image's pixels changed since the last paint.
  void RefreshIfChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const NativeImage* image_ = nullptr;
  uint64_t painted_revision_ = 0;
};

// The source list: takes files dragged from a file manager and reports their full paths,
// separated by line feeds.
class DropTree final : public QTreeWidget {
 public:
  DropTree(QWidget* parent, std::function<void(std::u16string)> on_drop);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  std::function<void(std::u16string)> on_drop_;
};

// An RGBA frame shown in an area of a window (the About window's 3D view).
class FrameView final : public QWidget {
 public:
  explicit FrameView(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_OpaquePaintEvent); }
  void SetFrame(QImage frame);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage frame_;
};

// A modal box or dialog takes the keyboard; afterwards the window that had it gets it back
// (window managers do not always do that, and bare X servers never do).
void Reactivate(QWidget* previous);

// The pixels of a NativeImage, copied, with the screen's scale as device pixel ratio.
QImage ToQImage(const NativeImage* image, double device_pixel_ratio);

}  // namespace zen::gui
