#pragma once
// Inside the preferences file: reading a whole file and replacing one safely.
#include <optional>
#include <string>

namespace zen {

// The largest preferences file that is read; a bigger one is not a settings file.
inline constexpr long long PrefsMaxFileSize = 16LL * 1024 * 1024;

// The whole content of the open file `fd` from its start, or nothing when it cannot be
// read or is too big.
std::optional<std::string> ReadWholeFile(int fd);

// Replaces the file at `path` by `content`: a temporary file in the same folder is
// written, flushed to disk, given the old file's permissions (`mode`, or the usual ones
// for a new file when negative) and renamed over the old one. On failure the old file
// is left as it was and the temporary file is removed. Temporary files of the same path
// left by processes that no longer run (killed while saving) are removed first.
bool ReplaceFile(const std::string& path, const std::string& content, int mode);

// The folder part of a path ("." for a bare name), and whether a file can be made there.
std::string FolderOfPath(const std::string& path);
bool CanCreateIn(const std::string& folder);

}  // namespace zen
