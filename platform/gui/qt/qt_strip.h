#pragma once
// The cut strip: a reduced picture of a tall image in a scroll area, zoomable, with cut
// lines the user drags, adds by double click and removes with Delete. Beside each piece
// its number and height; a piece taller than the limit is flagged.
#include <QImage>
#include <QScrollArea>
#include <QWidget>
#include <functional>

#include "platform/gui/window_system.h"

namespace zen::gui {

class StripCanvas final : public QWidget {
 public:
  StripCanvas(QWidget* parent, std::function<void()> on_change);
  void SetContent(const StripContent& content);
  const std::vector<StripLine>& Lines() const { return content_.lines; }
  void SetZoom(int percent);
  int Zoom() const { return zoom_; }
  // Where a row of the full image is drawn, and back (points from the canvas's top).
  double RowToY(int64_t row) const;
  int64_t YToRow(double y) const;
  int PictureWidth() const;               // in points at the current zoom
  static constexpr int LabelWidth = 150;  // the column of piece labels right of the picture

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  static constexpr size_t NoLine = static_cast<size_t>(-1);
  size_t LineNear(double y) const;  // a movable line within reach, or NoLine
  void DrawLabels(class QPainter& painter, const QRect& area) const;
  void Resize();

  StripContent content_;
  QImage picture_;  // over the caller's pixels, no copy
  int zoom_ = 100;
  size_t selected_ = NoLine;
  bool dragging_ = false;
  bool moved_ = false;
  std::function<void()> on_change_;
};

class CutStripView final : public QScrollArea {
 public:
  CutStripView(QWidget* parent, std::function<void()> on_change);
  StripCanvas* Canvas() const { return canvas_; }
  // New content starts zoomed so that the picture and its labels fill the width, at the top.
  void SetContent(const StripContent& content);
  // Zooms keeping the row at the middle of the view in place.
  void SetZoom(int percent);

 protected:
  void wheelEvent(QWheelEvent* event) override;

 private:
  StripCanvas* canvas_;
};

}  // namespace zen::gui
