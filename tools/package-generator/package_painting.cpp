#include "tools/package-generator/package_painting.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

#include "tools/package-generator/package_layout.h"

namespace zen::package {
namespace {

const QColor kInk(255, 255, 255);
const QColor kDeep(20, 37, 74);
const QColor kBright(46, 86, 164);
const QColor kAccent(255, 92, 120);
const QString kProductName = QStringLiteral("Zentrova V2");

QRectF Rect(Region r) { return QRectF(r.x, r.y, r.w, r.h); }

// A bold font whose text fits the width, at most max_pixels high.
QFont FittingFont(const QString& text, double width, int max_pixels, bool bold) {
  QFont font(QStringLiteral("NanumGothic"));
  font.setBold(bold);
  for (int px = max_pixels; px > 6; --px) {
    font.setPixelSize(px);
    if (QFontMetricsF(font).horizontalAdvance(text) <= width) break;
  }
  return font;
}

void FillFace(QPainter& p, Region r) {
  QLinearGradient g(r.x, r.y, r.x, r.y + r.h);
  g.setColorAt(0, kBright);
  g.setColorAt(1, kDeep);
  p.fillRect(Rect(r), g);
}

void Text(QPainter& p, QRectF box, const QString& text, int max_pixels, bool bold, QColor colour) {
  p.setFont(FittingFont(text, box.width(), max_pixels, bold));
  p.setPen(colour);
  p.drawText(box, Qt::AlignCenter, text);
}

// A tall strip of comic panels with dashed cut lines between them.
void PaintStrip(QPainter& p, QRectF area) {
  const int panels = 4;
  const double gap = 10, h = (area.height() - gap * (panels - 1)) / panels;
  for (int i = 0; i < panels; ++i) {
    QRectF panel(area.x(), area.y() + i * (h + gap), area.width(), h);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 245, 250));
    p.drawRoundedRect(panel, 6, 6);
    p.setBrush(QColor(120 + 30 * i, 160, 220 - 30 * i));
    p.drawEllipse(panel.adjusted(12, 10, -panel.width() * 0.5, -10));
    if (i + 1 < panels) {
      p.setPen(QPen(kAccent, 3, Qt::DashLine));
      double y = panel.bottom() + gap / 2;
      p.drawLine(QPointF(area.x() - 14, y), QPointF(area.right() + 14, y));
    }
  }
}

void PaintFront(QPainter& p) {
  const Region r = kFront;
  FillFace(p, r);
  p.fillRect(QRectF(r.x, r.y, r.w, 30), QColor(255, 255, 255, 40));
  Text(p, QRectF(r.x + 16, r.y + 170, r.w - 32, 70), kProductName, 60, true, kInk);
  Text(p, QRectF(r.x + 16, r.y + 240, r.w - 32, 34), QStringLiteral("웹툰 이미지 분할 도구"), 26, false, kInk);
  PaintStrip(p, QRectF(r.x + 118, r.y + 292, 140, 170));
  p.fillRect(QRectF(r.x, r.y + r.h - 34, r.w, 34), QColor(0, 0, 0, 70));
  Text(p, QRectF(r.x, r.y + r.h - 34, r.w, 34), QStringLiteral("JPEG · PNG · PSD · PSB"), 18, false, kInk);
}

void PaintBack(QPainter& p) {
  const Region r = kBack;
  FillFace(p, r);
  Text(p, QRectF(r.x + 20, r.y + 30, r.w - 40, 50), kProductName, 40, true, kInk);
  const QString lines[] = {QStringLiteral("긴 세로 웹툰을 조각으로"), QStringLiteral("고정 높이 · 컷 자동 감지"),
                           QStringLiteral("JPEG · PNG 저장"), QStringLiteral("여러 파일을 한 번에")};
  for (int i = 0; i < 4; ++i) {
    Text(p, QRectF(r.x + 24, r.y + 130 + 56.0 * i, r.w - 48, 40), lines[i], 24, false, kInk);
  }
}

void PaintSide(QPainter& p, Region r) {
  FillFace(p, r);
  p.save();
  p.translate(r.x + r.w / 2.0, r.y + r.h / 2.0);
  p.rotate(-90);
  Text(p, QRectF(-r.h / 2.0 + 20, -r.w / 2.0, r.h - 40, r.w), kProductName, 64, true, kInk);
  p.restore();
}

void PaintTop(QPainter& p, Region r, bool titled) {
  p.fillRect(Rect(r), kBright);
  if (titled) Text(p, Rect(r).adjusted(20, 10, -20, -10), kProductName, 60, true, kInk);
}

void PaintBadge(QPainter& p) {
  const QRectF box = Rect(kSticker);
  p.fillRect(box, QColor(236, 180, 40));
  QRadialGradient g(box.center() - QPointF(30, 30), box.width() * 0.7);
  g.setColorAt(0, QColor(255, 236, 140));
  g.setColorAt(1, QColor(214, 140, 20));
  p.setPen(Qt::NoPen);
  p.setBrush(g);
  p.drawEllipse(box);
  p.setPen(QPen(QColor(255, 255, 255, 200), 8));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(box.adjusted(18, 18, -18, -18));
  Text(p, box.adjusted(60, 38, -60, -170), QStringLiteral("NEW"), 40, true, QColor(120, 60, 0));
  Text(p, box.adjusted(36, 92, -36, -40), QStringLiteral("V2"), 110, true, QColor(120, 60, 0));
}

}  // namespace

QImage PaintAtlas() {
  QImage atlas(kAtlasSide, kAtlasSide, QImage::Format_RGBA8888);
  atlas.fill(kDeep);
  QPainter p(&atlas);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  PaintFront(p);
  PaintBack(p);
  PaintSide(p, kRight);
  PaintSide(p, kLeft);
  PaintTop(p, kTop, true);
  PaintTop(p, kBottomFace, false);
  PaintBadge(p);
  p.end();
  return atlas;
}

QImage PaintPlaneShadow() {
  const int n = kPlaneTextureSide;
  QImage image(n, n, QImage::Format_RGBA8888);
  const double texels_per_metre = n / kPlaneSide;
  const double hx = kWidth / 2 * texels_per_metre, hz = kDepth / 2 * texels_per_metre, sigma = 0.02 * texels_per_metre;
  for (int y = 0; y < n; ++y) {
    for (int x = 0; x < n; ++x) {
      double dx = std::max(0.0, std::fabs(x + 0.5 - n / 2.0) - hx);
      double dz = std::max(0.0, std::fabs(y + 0.5 - n / 2.0) - hz);
      double d = std::sqrt(dx * dx + dz * dz) / sigma;
      int alpha = static_cast<int>(std::lround(150 * std::exp(-d * d)));
      image.setPixelColor(x, y, QColor(0, 0, 20, alpha));
    }
  }
  return image;
}

QImage PaintEnvironment() {
  const int n = kEnvTextureSide;
  QImage image(n, n, QImage::Format_RGBA8888);
  image.fill(Qt::black);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QRadialGradient glow(n * 0.33, n * 0.3, n * 0.32);
  glow.setColorAt(0, QColor(200, 200, 190));
  glow.setColorAt(0.35, QColor(90, 90, 85));
  glow.setColorAt(1, QColor(0, 0, 0));
  p.fillRect(image.rect(), glow);
  p.setCompositionMode(QPainter::CompositionMode_Plus);
  QLinearGradient band(0, n * 0.55, 0, n * 0.75);
  band.setColorAt(0, QColor(0, 0, 0));
  band.setColorAt(0.5, QColor(60, 70, 90));
  band.setColorAt(1, QColor(0, 0, 0));
  p.fillRect(QRectF(0, n * 0.55, n, n * 0.2), band);
  p.end();
  return image;
}

}  // namespace zen::package
