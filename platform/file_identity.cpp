#include "platform/file_identity.h"

#include <sys/stat.h>

#include <string>

#include "platform/text.h"

namespace zen {

std::optional<FileIdentity> IdentityOf(std::u16string_view path) {
  struct stat info {};
  if (path.empty() || stat(ToUtf8(path).c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
}

}  // namespace zen
