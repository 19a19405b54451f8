#pragma once
// The command line's paths as drops onto the source list, one per folder.
#include <cstdio>
#include <string>
#include <vector>

namespace zen::batch {

// Files are taken as given (made absolute), folders by the files they directly hold.
// Named paths that are not images, and missing folders, are reported on `err`. Each
// folder's files form one drop, in the order the folders first appear, so that every
// folder's files stay one run of the list (a folder given before its subfolder, or files
// of two folders given in turn, would otherwise split a run and restart its numbering).
std::vector<std::u16string> DropTextsOfPaths(const std::vector<std::string>& paths, std::FILE* err);

}  // namespace zen::batch
