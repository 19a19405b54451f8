// Reading a preferences file whole, and replacing it without ever leaving it half written.
#include "platform/prefs_file.h"

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zen {

namespace {

bool WriteAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    ssize_t put = write(fd, content.data() + done, content.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<size_t>(put);
  }
  return true;
}

// The file a path names, following symbolic links, so that a linked settings file is
// replaced and not the link.
std::string ResolvedTarget(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return path;
  std::string target(real);
  std::free(real);
  return target;
}

// Temporary files are named target + ".tmp" + the writer's process id + "-" + a count.
constexpr std::string_view kTemporaryMark = ".tmp";

// A new file beside `target` that did not exist before; -1 when none can be made.
int CreateTemporary(const std::string& target, std::string& name) {
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    name = target + std::string(kTemporaryMark) + std::to_string(getpid()) + "-" + std::to_string(++counter);
    int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// The writer's process id in a temporary file's name (after the target's name), or 0.
pid_t WriterOf(std::string_view entry, std::string_view target_name) {
  if (!entry.starts_with(target_name)) return 0;
  entry.remove_prefix(target_name.size());
  if (!entry.starts_with(kTemporaryMark)) return 0;
  entry.remove_prefix(kTemporaryMark.size());
  const size_t dash = entry.find('-');
  if (dash == 0 || dash == std::string_view::npos) return 0;
  pid_t pid = 0;
  for (char c : entry.substr(0, dash)) {
    if (c < '0' || c > '9' || pid > 99999999) return 0;
    pid = pid * 10 + (c - '0');
  }
  return pid;
}

// Removes what savers killed before their rename left beside `target`. A process id that
// has been given to another process since keeps its file until that one ends too.
void RemoveDeadTemporaries(const std::string& target) {
  const std::string folder = FolderOfPath(target);
  const size_t slash = target.rfind('/');
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = readdir(listing)) {
    const pid_t writer = WriterOf(entry->d_name, name);
    if (writer > 0 && writer != getpid() && kill(writer, 0) != 0 && errno == ESRCH) {
      unlinkat(dirfd(listing), entry->d_name, 0);
    }
  }
  closedir(listing);
}

void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // the rename itself reaches the disk; failing here loses nothing written
  close(fd);
}

}  // namespace

std::optional<std::string> ReadWholeFile(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > PrefsMaxFileSize) return {};
  if (lseek(fd, 0, SEEK_SET) != 0) return {};
  std::string content;
  char block[8192];
  for (;;) {
    ssize_t got = read(fd, block, sizeof block);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return {};
    if (got == 0) return content;
    if (content.size() + static_cast<size_t>(got) > static_cast<size_t>(PrefsMaxFileSize)) return {};
    content.append(block, static_cast<size_t>(got));
  }
}

bool ReplaceFile(const std::string& path, const std::string& content, int mode) {
  std::string target = ResolvedTarget(path);
  RemoveDeadTemporaries(target);
  std::string temporary;
  int fd = CreateTemporary(target, temporary);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, content) && fsync(fd) == 0;
  if (ok && mode >= 0) ok = fchmod(fd, static_cast<mode_t>(mode) & 07777) == 0;
  ok = close(fd) == 0 && ok;
  if (ok) ok = rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) {
    unlink(temporary.c_str());
    return false;
  }
  SyncFolder(FolderOfPath(target));
  return true;
}

std::string FolderOfPath(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool CanCreateIn(const std::string& folder) { return access(folder.c_str(), W_OK | X_OK) == 0; }

}  // namespace zen
