#pragma once
// Rows of an uncompressed 24- or 32-bit BMP, stored bottom first or top first.
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/row_source.h"

namespace zen {

std::unique_ptr<RowSource> OpenBmpRows(ByteSource& source, std::string& error);

}  // namespace zen
