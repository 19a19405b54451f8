#pragma once
// PNG rows through libpng: non-interlaced images are decoded one row at a time;
// interlaced ones (whose rows are complete only after the last pass) are decoded whole.
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/row_source.h"

namespace zen {

// Samples become 8-bit RGB as the program's own PNG loading makes them (palette and grey
// expanded, 16-bit samples cut to their high byte); transparency is composited over white.
std::unique_ptr<RowSource> OpenPngRows(ByteSource& source, std::string& error);

}  // namespace zen
