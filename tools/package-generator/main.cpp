// Writes the About model into a folder: the three meshes and the three textures.
//   zen_package_generator <folder>
// The results are committed under res/package; run this only to change the model.
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QString>

#include <cstdio>
#include <string>

#include "tools/package-generator/package_meshes.h"
#include "tools/package-generator/package_painting.h"

namespace {

bool WriteText(const QString& path, const std::string& text) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return file.write(text.data(), static_cast<qint64>(text.size())) == static_cast<qint64>(text.size());
}

bool WriteImage(const QString& path, const QImage& image) { return image.save(path, "PNG", 0); }

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const QString dir = QString::fromLocal8Bit(argv[1]) + "/";
  bool ok = WriteText(dir + "Package.mesh", zen::package::BoxMeshText()) &&
            WriteText(dir + "PackagePlane.mesh", zen::package::PlaneMeshText()) &&
            WriteText(dir + "PackageSticker1.mesh", zen::package::StickerMeshText()) &&
            WriteImage(dir + "Package.png", zen::package::PaintAtlas()) &&
            WriteImage(dir + "PackagePlane.png", zen::package::PaintPlaneShadow()) &&
            WriteImage(dir + "Env.png", zen::package::PaintEnvironment());
  if (!ok) std::fprintf(stderr, "could not write the model into %s\n", argv[1]);
  return ok ? 0 : 1;
}
