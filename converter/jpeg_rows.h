#pragma once
// JPEG rows through libjpeg, one scanline at a time from the file (never the whole file
// in memory), as the program's own JPEG loading makes them: grey and YCbCr as RGB, CMYK
// and YCCK through red = C x K / 255 and so on.
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/row_source.h"

namespace zen {

std::unique_ptr<RowSource> OpenJpegRows(ByteSource& source, std::string& error);

}  // namespace zen
