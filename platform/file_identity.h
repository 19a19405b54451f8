#pragma once
// Files told apart by what they are, not by how a path spells them: "ep//1.png", a link to
// it and a second hard link all name one file.
#include <compare>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zen {

struct FileIdentity {
  uint64_t device = 0;
  uint64_t inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// The identity of the file a path names, after following symbolic links; empty when
// nothing is there (or it cannot be reached).
std::optional<FileIdentity> IdentityOf(std::u16string_view path);

}  // namespace zen
