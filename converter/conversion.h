#pragma once
// The converter's three operations over a source file. Outputs appear complete or not
// at all: each BMP is written under a temporary name and renamed when its last row is in.
#include <cstdio>
#include <string>

namespace zen {

// Where the log goes; null writes nothing.
struct ConverterLog {
  std::FILE* out = nullptr;
  void Line(const std::string& text) const;
};

// Prints "[IMAGE SIZE]" width "x" height for the file's first image, from its header.
bool PrintImageSize(const std::string& source, std::FILE* out, std::string& error);

// The composite as folder + base name + ".bmp". On failure no file of that name is
// left, so a stale one from an earlier run cannot pass for this source's.
bool ConvertWhole(const std::string& source, const std::string& folder, const ConverterLog& log, std::string& error);

// The image as 20 strips, folder + base name + "P0.bmp" to "P19.bmp", top to bottom.
// On failure none of the 20 names is left.
bool ConvertSlices(const std::string& source, const std::string& folder, const ConverterLog& log, std::string& error);

}  // namespace zen
