#pragma once
// The composite image of a PSD or PSB file as RGB rows, read a band of rows at a time.
#include <memory>
#include <string>

#include "converter/byte_source.h"
#include "converter/psd_layout.h"
#include "converter/row_source.h"

namespace zen {

// Null with an error for a file that is not a readable PSD/PSB of a supported mode:
// bitmap, greyscale, duotone (read as its grey channel), indexed, RGB and CMYK.
std::unique_ptr<RowSource> OpenPsdRows(ByteSource& source, std::string& error);

// How many channels the composite is made of: the mode's colour channels, plus one when
// the first extra channel is the merged transparency (a negative layer count, or a file
// with no layers, whose extra channel can only be the composite's). Zero for a mode that
// is not supported, with the reason.
int PsdChannelsUsed(const PsdLayout& layout, bool& has_alpha, std::string& error);

}  // namespace zen
