#pragma once
// Folders given where files are expected (dropped, chosen in the open dialog, named on the
// command line) stand for the image files they directly hold.
#include <string>
#include <string_view>
#include <vector>

namespace zen {

// True when path names a folder (a link to a folder counts).
bool IsFolder(std::u16string_view path);

// The accepted image files directly in folder, as full paths in natural order; hidden
// files (names starting with ".") are left out. Empty when the folder cannot be read.
std::vector<std::u16string> ImageFilesIn(std::u16string_view folder);

// The names with each folder replaced by ImageFilesIn of it, in place.
std::vector<std::u16string> ExpandFolders(const std::vector<std::u16string>& names);

}  // namespace zen
