#pragma once
// The command line's paths as the text of one drop onto the source list.
#include <cstdio>
#include <string>
#include <vector>

namespace zen::batch {

// Files are taken as given (made absolute), folders by the files they directly hold.
// Named paths that are not images, and missing folders, are reported on `err`.
std::u16string DropTextOfPaths(const std::vector<std::string>& paths, std::FILE* err);

}  // namespace zen::batch
