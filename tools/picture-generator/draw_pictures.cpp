// Draws the main window's pictures into a folder (normally res/):
//   zen_draw_pictures <folder>
// Every picture is drawn at twice its size in points, so it is exact on a display with
// scale factor 2 and the program's smooth resize makes it crisp at scale 1.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Scale = 2;
const QColor BannerTop(0x1d, 0x3b, 0x5c);
const QColor BannerBottom(0x2f, 0x6f, 0x8f);
const QColor IconInk(0x3a, 0x3f, 0x47);

QImage Blank(int width, int height) {
  QImage image(width * Scale, height * Scale, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

// A tall strip cut by dashed lines into pieces, 46 x 64 points times size, the lines
// reaching 8 points past either side; origin is the strip's top left corner.
void DrawCutStrip(QPainter& p, QPointF origin, double size) {
  p.save();
  p.translate(origin);
  p.scale(size, size);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 235));
  p.drawRoundedRect(QRectF(0, 0, 46, 64), 3, 3);
  p.setBrush(QColor(0x2f, 0x6f, 0x8f, 90));
  p.drawRect(QRectF(6, 5, 34, 12));
  p.drawRect(QRectF(6, 26, 34, 14));
  p.drawRect(QRectF(6, 48, 34, 11));
  // At least 1.3 pixels wide, so the cuts still show on the small menu icons.
  QPen cut(QColor(0xf2, 0x8c, 0x28), std::max(1.5, 1.3 / p.transform().m22()), Qt::DashLine);
  p.setPen(cut);
  p.drawLine(QPointF(-8, 21.5), QPointF(54, 21.5));
  p.drawLine(QPointF(-8, 43.5), QPointF(54, 43.5));
  p.restore();
}

// The banner's blue, darker at the top, from y = top to y = bottom.
QLinearGradient BannerField(double top, double bottom) {
  QLinearGradient field(0, top, 0, bottom);
  field.setColorAt(0, BannerTop);
  field.setColorAt(1, BannerBottom);
  return field;
}

// The banner: the product name over a deep blue field with a strip being cut into pieces.
QImage Banner() {
  QImage image = Blank(470, 80);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(Scale, Scale);
  p.fillRect(QRectF(0, 0, 470, 80), BannerField(0, 80));
  DrawCutStrip(p, QPointF(392, 8), 1);
  QFont title(QStringLiteral("NanumSquare"));
  title.setPixelSize(30);
  title.setWeight(QFont::ExtraBold);
  p.setFont(title);
  p.setPen(Qt::white);
  p.drawText(QRectF(24, 12, 340, 38), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Zentrova V2"));
  QFont subtitle(QStringLiteral("NanumBarunGothic"));
  subtitle.setPixelSize(13);
  p.setFont(subtitle);
  p.setPen(QColor(255, 255, 255, 210));
  p.drawText(QRectF(26, 50, 340, 20), Qt::AlignLeft | Qt::AlignVCenter,
             QString::fromUtf8("세로 웹툰 이미지 분할 도구"));
  return image;
}

// The desktop's icon for the program: the banner's cut strip on its blue field, drawn
// 128 points wide into a square of `pixels` (the bundle's picture at twice its size).
QImage AppIcon(int pixels = 128 * Scale) {
  QImage image(pixels, pixels, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(pixels / 128.0, pixels / 128.0);
  p.setPen(Qt::NoPen);
  p.setBrush(BannerField(8, 120));
  p.drawRoundedRect(QRectF(8, 8, 112, 112), 22, 22);
  DrawCutStrip(p, QPointF(64 - 23 * 1.4, 64 - 32 * 1.4), 1.4);
  return image;
}

// The side strips beside the list continue the banner's colour and fade out downward.
QImage SideStrip() {
  QImage image = Blank(20, 100);
  QPainter p(&image);
  p.scale(Scale, Scale);
  QLinearGradient fade(0, 0, 0, 100);
  fade.setColorAt(0, BannerBottom);
  QColor end = BannerBottom;
  end.setAlpha(0);
  fade.setColorAt(1, end);
  p.fillRect(QRectF(0, 0, 20, 100), fade);
  return image;
}

QPainter* IconPainter(QImage& image) {
  auto* p = new QPainter(&image);
  p->setRenderHint(QPainter::Antialiasing, false);
  p->scale(Scale, Scale);
  p->setPen(Qt::NoPen);
  p->setBrush(IconInk);
  return p;
}

QImage Plus() {
  QImage image = Blank(8, 8);
  QPainter* p = IconPainter(image);
  p->drawRect(QRectF(0, 3, 8, 2));
  p->drawRect(QRectF(3, 0, 2, 8));
  delete p;
  return image;
}

QImage Minus() {
  QImage image = Blank(8, 8);
  QPainter* p = IconPainter(image);
  p->drawRect(QRectF(0, 3, 8, 2));
  delete p;
  return image;
}

// A filled triangle, pointing up or down, on whole points so it stays sharp.
QImage Arrow(bool up) {
  QImage image = Blank(8, 8);
  QPainter* p = IconPainter(image);
  for (int row = 0; row < 4; ++row) {
    const double y = up ? 2 + row : 5 - row;
    p->drawRect(QRectF(3 - row, y, 2 + 2 * row, 1));
  }
  delete p;
  return image;
}

QImage Cross() {
  QImage image = Blank(8, 8);
  QPainter* p = IconPainter(image);
  for (int i = 0; i < 8; ++i) {
    p->drawRect(QRectF(i, i, 1, 1));
    p->drawRect(QRectF(7 - i, i, 1, 1));
  }
  for (int i = 0; i < 7; ++i) {  // two points thick, still symmetric
    p->drawRect(QRectF(i + 1, i, 1, 1));
    p->drawRect(QRectF(6 - i, i, 1, 1));
  }
  delete p;
  return image;
}

QImage Folder() {
  QImage image = Blank(8, 8);
  QPainter p(&image);
  p.scale(Scale, Scale);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0xd9, 0x9a, 0x1e));
  p.drawRect(QRectF(0, 1, 3.5, 1.5));
  p.drawRect(QRectF(0, 2, 8, 5.5));
  p.setBrush(QColor(0xf5, 0xc2, 0x42));
  p.drawRect(QRectF(0.5, 3, 7, 4));
  return image;
}

bool Save(const QImage& image, const QDir& folder, const char* name) {
  const QString path = folder.filePath(QString::fromLatin1(name));
  if (image.save(path, "PNG")) return true;
  std::fprintf(stderr, "zen_draw_pictures: cannot write %s\n", path.toLocal8Bit().constData());
  return false;
}

}  // namespace

// The desktop's icon at the menu sizes, drawn for each size rather than scaled down.
bool SaveMenuIcons(const QDir& folder) {
  bool ok = true;
  for (int pixels : {48, 64, 128}) {
    const QByteArray name = "zentrova-" + QByteArray::number(pixels) + ".png";
    ok &= Save(AppIcon(pixels), folder, name.constData());
  }
  return ok;
}

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: zen_draw_pictures <res folder> [<menu icon folder>]\n");
    return 2;
  }
  QGuiApplication app(argc, argv);
  const QDir folder(QString::fromLocal8Bit(argv[1]));
  bool ok = Save(Banner(), folder, "bg0.png");
  ok &= Save(SideStrip(), folder, "bg1.png");
  ok &= Save(SideStrip(), folder, "bg2.png");
  ok &= Save(Plus(), folder, "toolbarIcon0.png");
  ok &= Save(Minus(), folder, "toolbarIcon1.png");
  ok &= Save(Arrow(true), folder, "toolbarIcon2.png");
  ok &= Save(Arrow(false), folder, "toolbarIcon3.png");
  ok &= Save(Cross(), folder, "toolbarIcon4.png");
  ok &= Save(Folder(), folder, "tree0.png");
  ok &= Save(AppIcon(), folder, "appIcon.png");
  if (argc == 3) ok &= SaveMenuIcons(QDir(QString::fromLocal8Bit(argv[2])));
  return ok ? 0 : 1;
}
