#include "platform/gui/qt/qt_strip.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace zen::gui {
namespace {

constexpr double GrabDistance = 5;
constexpr int MinZoom = 10;
constexpr int MaxZoom = 400;
const QColor FlagColour(200, 0, 0);

QColor ToQColor(Colour c) {
  return QColor(static_cast<int>(ColourRed(c)), static_cast<int>(ColourGreen(c)), static_cast<int>(ColourBlue(c)));
}

}  // namespace

StripCanvas::StripCanvas(QWidget* parent, std::function<void()> on_change)
    : QWidget(parent), on_change_(std::move(on_change)) {
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);  // the cursor tells where a line can be grabbed
}

void StripCanvas::SetContent(const StripContent& content) {
  content_ = content;
  if (content_.factor < 1) content_.factor = 1;
  const NativeImage* image = content_.picture;
  picture_ = image && image->pixels && image->width > 0 && image->height > 0
                 ? QImage(image->pixels.get(), image->width, image->height, static_cast<qsizetype>(image->width) * 4,
                          QImage::Format_RGBA8888)
                 : QImage();
  selected_ = NoLine;
  dragging_ = false;
  Resize();
  update();
}

int StripCanvas::PictureWidth() const { return static_cast<int>(std::lround(picture_.width() * zoom_ / 100.0)); }

void StripCanvas::Resize() {
  const double height = RowToY(content_.rows);
  resize(PictureWidth() + LabelWidth, std::max(1, static_cast<int>(std::ceil(height))));
}

void StripCanvas::SetZoom(int percent) {
  zoom_ = std::clamp(percent, MinZoom, MaxZoom);
  Resize();
  update();
}

double StripCanvas::RowToY(int64_t row) const { return static_cast<double>(row) / content_.factor * zoom_ / 100.0; }

int64_t StripCanvas::YToRow(double y) const { return std::llround(y * 100.0 / zoom_ * content_.factor); }

size_t StripCanvas::LineNear(double y) const {
  size_t best = NoLine;
  double best_distance = GrabDistance;
  for (size_t i = 0; i < content_.lines.size(); ++i) {
    const double distance = std::abs(RowToY(content_.lines[i].row) - y);
    if (content_.lines[i].movable && distance <= best_distance) {
      best = i;
      best_distance = distance;
    }
  }
  return best;
}

void StripCanvas::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  painter.fillRect(area, palette().window());
  if (!picture_.isNull()) {
    // Only the exposed rows of the picture: a chapter's copy is tens of thousands high.
    const double scale = zoom_ / 100.0;
    const int top = std::max(0, static_cast<int>(area.top() / scale) - 1);
    const int bottom = std::min(picture_.height(), static_cast<int>(area.bottom() / scale) + 2);
    if (bottom > top) {
      const QRectF target(0, top * scale, PictureWidth(), (bottom - top) * scale);
      painter.setRenderHint(QPainter::SmoothPixmapTransform, zoom_ < 100);
      painter.drawImage(target, picture_, QRectF(0, top, picture_.width(), bottom - top));
    }
  }
  for (size_t i = 0; i < content_.lines.size(); ++i) {
    const StripLine& line = content_.lines[i];
    const double y = RowToY(line.row);
    if (y < area.top() - 4 || y > area.bottom() + 4) continue;
    QPen pen(ToQColor(line.colour), selected_ == i ? 4 : 2);
    if (selected_ == i) pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.drawLine(QPointF(0, y), QPointF(PictureWidth() + 8, y));
  }
  DrawLabels(painter, area);
}

void StripCanvas::DrawLabels(QPainter& painter, const QRect& area) const {
  const int x = PictureWidth() + 12;
  const int line_height = painter.fontMetrics().height();
  int64_t top = 0;
  for (size_t i = 0; i < content_.lines.size(); ++i) {
    const int64_t height = content_.lines[i].row - top;
    // Just below the piece's top line, so that it shows wherever the piece comes into view.
    const double y = RowToY(top) + line_height + 2;
    top = content_.lines[i].row;
    if (y < area.top() - 2 * line_height || y > area.bottom() + 2 * line_height) continue;
    const bool too_tall = content_.piece_limit > 0 && height > content_.piece_limit;
    painter.setPen(too_tall ? FlagColour : palette().color(QPalette::WindowText));
    const QString label =
        QString::fromUtf16(u"%1번 조각  %2px").arg(content_.first_number + static_cast<int64_t>(i)).arg(height);
    painter.drawText(QPointF(x, y), label);
    if (too_tall) {
      painter.drawText(QPointF(x, y + line_height), QString::fromUtf16(u"⚠ 최대 %1px 초과").arg(content_.piece_limit));
    }
  }
}

void StripCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  selected_ = LineNear(event->position().y());
  dragging_ = selected_ != NoLine;
  moved_ = false;
  update();
}

void StripCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_ || selected_ == NoLine) {
    setCursor(LineNear(event->position().y()) != NoLine ? Qt::SizeVerCursor : Qt::ArrowCursor);
    return;
  }
  const size_t i = selected_;
  // A line stays between its neighbours: pieces keep at least one row.
  const int64_t low = i == 0 ? 1 : content_.lines[i - 1].row + 1;
  const int64_t high = i + 1 < content_.lines.size() ? content_.lines[i + 1].row - 1 : content_.rows - 1;
  if (low > high) return;
  const int64_t row = std::clamp(YToRow(event->position().y()), low, high);
  StripLine& line = content_.lines[i];
  if (row == line.row) return;
  line.row = row;
  line.tag = -1;
  line.colour = content_.hand_colour;
  moved_ = true;
  update();
}

void StripCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = false;
  if (moved_ && on_change_) on_change_();
  moved_ = false;
}

void StripCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || LineNear(event->position().y()) != NoLine) return;
  const int64_t row = YToRow(event->position().y());
  if (row <= 0 || row >= content_.rows) return;
  auto at = std::lower_bound(content_.lines.begin(), content_.lines.end(), row,
                             [](const StripLine& line, int64_t r) { return line.row < r; });
  if (at != content_.lines.end() && at->row == row) return;
  at = content_.lines.insert(at, StripLine{row, content_.hand_colour, -1, true});
  selected_ = static_cast<size_t>(at - content_.lines.begin());
  update();
  if (on_change_) on_change_();
}

void StripCanvas::keyPressEvent(QKeyEvent* event) {
  const bool erase = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
  if (!erase || selected_ >= content_.lines.size() || !content_.lines[selected_].movable) {
    QWidget::keyPressEvent(event);
    return;
  }
  content_.lines.erase(content_.lines.begin() + static_cast<std::ptrdiff_t>(selected_));
  selected_ = NoLine;
  update();
  if (on_change_) on_change_();
}

CutStripView::CutStripView(QWidget* parent, std::function<void()> on_change)
    : QScrollArea(parent), canvas_(new StripCanvas(this, std::move(on_change))) {
  setWidget(canvas_);
  setWidgetResizable(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
}

void CutStripView::SetContent(const StripContent& content) {
  canvas_->SetContent(content);
  const NativeImage* picture = content.picture;
  const int room = viewport()->width() - StripCanvas::LabelWidth - verticalScrollBar()->sizeHint().width();
  if (picture && picture->width > 0 && room > 0) canvas_->SetZoom(room * 100 / picture->width);
  verticalScrollBar()->setValue(0);
}

void CutStripView::SetZoom(int percent) {
  const double middle = verticalScrollBar()->value() + viewport()->height() / 2.0;
  const int64_t row = canvas_->YToRow(middle);
  canvas_->SetZoom(percent);
  verticalScrollBar()->setValue(static_cast<int>(canvas_->RowToY(row) - viewport()->height() / 2.0));
}

void CutStripView::wheelEvent(QWheelEvent* event) {
  if (!(event->modifiers() & Qt::ControlModifier)) {
    QScrollArea::wheelEvent(event);
    return;
  }
  const int step = event->angleDelta().y() > 0 ? 25 : -25;
  SetZoom(canvas_->Zoom() + step);
  event->accept();
}

}  // namespace zen::gui
