#include "platform/trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/text.h"

namespace zen {
namespace {

std::string ParentOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool MakeFolder(const std::string& path) { return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST; }

// The folder and the folders above it that are missing (~/.local/share may not exist yet).
bool MakeFolders(const std::string& path) {
  if (path.empty() || path == "/" || MakeFolder(path)) return true;
  return errno == ENOENT && MakeFolders(ParentOf(path)) && MakeFolder(path);
}

std::string DeletionDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

// "page.png", "page.2.png", "page.3.png", ...: the n-th name tried in the trash.
std::string TrashName(const std::string& name, int n) {
  if (n == 0) return name;
  const size_t dot = name.find_last_of('.');
  const bool has_extension = dot != std::string::npos && dot > 0;
  const std::string stem = has_extension ? name.substr(0, dot) : name;
  return stem + "." + std::to_string(n + 1) + (has_extension ? name.substr(dot) : std::string());
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// The record is made first, with O_EXCL, so that the name is ours; then the file moves.
bool MoveInto(const std::string& trash, const std::string& path) {
  if (!MakeFolders(trash) || !MakeFolder(trash + "/files") || !MakeFolder(trash + "/info")) return false;
  const std::string record = "[Trash Info]\nPath=" + TrashInfoPath(path) + "\nDeletionDate=" + DeletionDate() + "\n";
  for (int n = 0; n < 1000; ++n) {
    const std::string name = TrashName(NameOf(path), n);
    const std::string info = trash + "/info/" + name + ".trashinfo";
    const int fd = open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    struct stat existing {};
    const std::string target = trash + "/files/" + name;
    const bool free_name = lstat(target.c_str(), &existing) != 0;
    const bool written = free_name && WriteAll(fd, record);
    close(fd);
    if (written && rename(path.c_str(), target.c_str()) == 0) return true;
    const int error = errno;
    unlink(info.c_str());
    if (!free_name) continue;
    errno = error;
    return false;
  }
  return false;
}

// The top folder of the volume that holds path: the highest folder of the same device.
std::string VolumeTop(const std::string& path) {
  struct stat info {};
  if (stat(ParentOf(path).c_str(), &info) != 0) return {};
  std::string top = ParentOf(path);
  while (top != "/") {
    const std::string up = ParentOf(top);
    struct stat above {};
    if (stat(up.c_str(), &above) != 0 || above.st_dev != info.st_dev) break;
    top = up;
  }
  return top;
}

}  // namespace

std::string HomeTrashFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  return std::string(home ? home : "") + "/.local/share/Trash";
}

std::string TrashInfoPath(std::string_view path) { return PercentEncoded(path, "/-_.!~*'()"); }

bool MoveToTrash(std::u16string_view path) {
  const std::string file = ToUtf8(path);
  if (file.empty() || file[0] != '/') return false;
  if (MoveInto(HomeTrashFolder(), file)) return true;
  if (errno != EXDEV) return false;
  const std::string top = VolumeTop(file);
  if (top.empty()) return false;
  const std::string trash = (top == "/" ? std::string() : top) + "/.Trash-" + std::to_string(getuid());
  return MoveInto(trash, file);
}

}  // namespace zen
