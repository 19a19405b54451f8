#pragma once
// The desktop's trash, as the freedesktop.org Trash specification lays it out: the file
// goes to Trash/files and a Trash/info/NAME.trashinfo record says where it came from and
// when, so a file manager can put it back.
#include <string>
#include <string_view>

namespace zen {

// The home trash: $XDG_DATA_HOME/Trash, or ~/.local/share/Trash when that is unset.
std::string HomeTrashFolder();

// Moves the file at the absolute path into the home trash, or, when it lies on another
// volume, into that volume's $topdir/.Trash-$uid. Never deletes: false leaves the file
// where it was.
bool MoveToTrash(std::u16string_view path);

// A path as the trash record's Path= line spells it: percent-encoded, "/" kept.
std::string TrashInfoPath(std::string_view path);

}  // namespace zen
