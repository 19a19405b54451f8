#pragma once
#include <QImage>

namespace zen::package {
QImage PaintAtlas();        // Package.png: every face of the box and the sticker's badge
QImage PaintPlaneShadow();  // PackagePlane.png: the box's soft shadow, transparent around it
QImage PaintEnvironment();  // Env.png: a sphere map of soft highlights on black
}  // namespace zen::package
