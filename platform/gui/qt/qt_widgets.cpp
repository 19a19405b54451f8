#include "platform/gui/qt/qt_widgets.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

#include <string>
#include <vector>

#include "platform/text.h"

namespace zen::gui {

void TopWindow::closeEvent(QCloseEvent* event) {
  // The loop decides what closing means; the window stays until it says so.
  event->ignore();
  if (on_close_) on_close_();
}

void TopWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && on_escape_) {
    on_escape_();
    return;
  }
  QWidget::keyPressEvent(event);
}

void Reactivate(QWidget* previous) {
  if (!previous) return;
  previous->raise();
  previous->activateWindow();
}

QImage ToQImage(const NativeImage* image, double device_pixel_ratio) {
  if (!image || !image->pixels || image->width <= 0 || image->height <= 0) return {};
  QImage wrapped(image->pixels.get(), image->width, image->height, static_cast<qsizetype>(image->width) * 4,
                 QImage::Format_RGBA8888);
  QImage copy = wrapped.copy();
  copy.setDevicePixelRatio(device_pixel_ratio > 0 ? device_pixel_ratio : 1.0);
  return copy;
}

void ImageView::SetImage(const NativeImage* image) {
  image_ = image;
  painted_revision_ = image ? image->revision : 0;
  update();
}

void ImageView::RefreshIfChanged() {
  if (image_ && image_->revision != painted_revision_) update();
}

void ImageView::paintEvent(QPaintEvent*) {
  if (!image_ || !image_->pixels) return;
  painted_revision_ = image_->revision;
  // Wrap the pixels without copying: the image table owns them for the whole run.
  QImage wrapped(image_->pixels.get(), image_->width, image_->height, static_cast<qsizetype>(image_->width) * 4,
                 QImage::Format_RGBA8888);
  wrapped.setDevicePixelRatio(devicePixelRatioF());
  QPainter painter(this);
  painter.drawImage(QPointF(0, 0), wrapped);
}

DropTree::DropTree(QWidget* parent, std::function<void(std::u16string)> on_drop)
    : QTreeWidget(parent), on_drop_(std::move(on_drop)) {
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  setDropIndicatorShown(false);
}

namespace {

bool HasLocalFiles(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return false;
  for (const QUrl& url : mime->urls()) {
    if (url.isLocalFile()) return true;
  }
  return false;
}

}  // namespace

void DropTree::dragEnterEvent(QDragEnterEvent* event) {
  if (HasLocalFiles(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void DropTree::dragMoveEvent(QDragMoveEvent* event) {
  if (HasLocalFiles(event->mimeData()))
    event->acceptProposedAction();
  else
    event->ignore();
}

void DropTree::dropEvent(QDropEvent* event) {
  if (!HasLocalFiles(event->mimeData())) {
    event->ignore();
    return;
  }
  std::vector<std::u16string> paths;
  for (const QUrl& url : event->mimeData()->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdU16String());
  }
  event->acceptProposedAction();
  if (on_drop_) on_drop_(JoinedNames(paths));
}

void FrameView::SetFrame(QImage frame) {
  frame_ = std::move(frame);
  update();
}

void FrameView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (frame_.isNull()) {
    painter.fillRect(rect(), palette().window());
    return;
  }
  painter.drawImage(rect(), frame_);
}

}  // namespace zen::gui
