// Writing one piece file whole or not at all: the piece goes to a temporary file in the
// output folder, which is renamed over the final name once complete. A job killed midway
// leaves the old file or the whole new one, and a link at the name is replaced, never
// followed. The temporary file is locked while it lives, so the next job in that folder can
// tell a dead job's leftovers from a running one's. Writing reads nothing of the job's
// record, so a worker may do it while the job goes on.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "imaging/codecs.h"
#include "platform/text.h"
#include "slicing/job_internal.h"
#include "sources/path_helpers.h"

namespace zen::slicing_detail {
namespace {

constexpr std::string_view kTemporaryStart = ".zentrova-";
constexpr std::string_view kTemporaryEnd = ".part";

bool IsTemporaryName(std::string_view name) {
  return name.size() > kTemporaryStart.size() + kTemporaryEnd.size() && name.starts_with(kTemporaryStart) &&
         name.ends_with(kTemporaryEnd);
}

// A new, locked temporary file in folder (ending in "/") named by the job's serial number
// for the piece; its descriptor, or -1. A cleaner may remove the file between its creation
// and the lock: then another name is tried.
int CreateLockedTemporary(const std::string& folder, uint64_t serial, std::string& path) {
  const std::string stem =
      folder + std::string(kTemporaryStart) + std::to_string(getpid()) + "-" + std::to_string(serial);
  for (int attempt = 0; attempt < 100; ++attempt) {
    path = stem + (attempt == 0 ? std::string() : "-" + std::to_string(attempt)) + std::string(kTemporaryEnd);
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return -1;
    }
    struct stat info {};
    if (flock(fd, LOCK_EX) == 0 && fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
    close(fd);
  }
  errno = EEXIST;
  return -1;
}

ProblemReason SystemProblem(int error) { return {JobProblem::NotWritten, error}; }

}  // namespace

ProblemReason WritePieceTemporary(const ImageRecord& piece, const std::u16string& path, uint32_t codec, int quality,
                                  uint64_t serial, WrittenPiece& written) {
  if (!piece.native) return {JobProblem::NoPieceImage};
  const int fd = CreateLockedTemporary(ToUtf8(FolderPart(path)), serial, written.temporary);
  if (fd < 0) return SystemProblem(errno);
  errno = 0;
  if (ImageSaveRecord(piece, FromUtf8(written.temporary), codec, quality, -1) == 0) {
    const ProblemReason problem = SystemProblem(errno);
    unlink(written.temporary.c_str());
    close(fd);
    return problem;
  }
  written.fd = fd;
  return {};
}

ProblemReason PlacePiece(WrittenPiece& written, const std::u16string& path) {
  if (written.fd < 0) return {JobProblem::NoPieceImage};
  if (rename(written.temporary.c_str(), ToUtf8(path).c_str()) == 0) {
    close(std::exchange(written.fd, -1));
    return {};
  }
  const ProblemReason problem = SystemProblem(errno);
  DiscardPiece(written);
  return problem;
}

void DiscardPiece(WrittenPiece& written) {
  if (written.fd < 0) return;
  unlink(written.temporary.c_str());
  close(std::exchange(written.fd, -1));
}

ProblemReason WritePieceFile(const ImageRecord& piece, const std::u16string& path, uint32_t codec, int quality,
                             uint64_t serial) {
  WrittenPiece written;
  const ProblemReason problem = WritePieceTemporary(piece, path, codec, quality, serial, written);
  return problem ? problem : PlacePiece(written, path);
}

void RemoveDeadTemporaryFiles(std::u16string_view folder) {
  const std::string base = ToUtf8(folder) + "/";
  DIR* listing = opendir(base.c_str());
  if (!listing) return;
  while (const dirent* entry = readdir(listing)) {
    if (!IsTemporaryName(entry->d_name)) continue;
    const std::string path = base + entry->d_name;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) continue;
    // A lock that can be had belongs to no living writer.
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(path.c_str());
    close(fd);
  }
  closedir(listing);
}

}  // namespace zen::slicing_detail
