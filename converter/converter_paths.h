#pragma once
// The names the converter reads and writes. Paths are UTF-8 bytes; the separators and
// markers looked for are ASCII, so scanning bytes gives the same split as scanning
// UTF-16 code units would.
#include <string>
#include <string_view>

namespace zen {

// The path without a trailing "[0]" (first image of the file) when no file of the
// literal name exists.
std::string StripFirstImageSuffix(const std::string& path);

// The file name without its extension, by the rule both programs share (BaseNameOf).
std::string ConverterBaseName(std::string_view path);

// The output folder with exactly one "/" at its end ("" stays "", the current folder).
std::string FolderWithSlash(std::string folder);

// FOLDER + base name + ".bmp"; FOLDER + base name + "P" + index + ".bmp".
std::string WholeOutputPath(const std::string& folder, std::string_view source);
std::string StripOutputPath(const std::string& folder, std::string_view source, int index);

}  // namespace zen
