#pragma once
// The page of a PSD/PSB saved without its merged image, composited from its layers one
// canvas row at a time (each layer channel read forward, never held whole) and laid over
// white, as the stored composite would have been.
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/psd_layout.h"
#include "converter/row_source.h"

namespace zen {

// Null with an error when the layers cannot be read, or with a refusal (IsCompositeRefusal)
// when they cannot be drawn exactly.
std::unique_ptr<RowSource> OpenLayeredPsdRows(ByteSource& source, const PsdLayout& layout, std::string& error);

}  // namespace zen
