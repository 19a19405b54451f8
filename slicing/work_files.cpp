// The converter's work folders: each job that needs the converter makes a folder of its own
// inside the settings folder ("work-" and six random characters), passes it as -configPath
// and holds an exclusive lock on it (flock on the folder itself) until the job ends, when
// the folder goes with all that is in it. Two jobs at once (two windows, a window and a
// batch run) therefore never share a converter file. Start-up removes the work folders
// whose lock is free: those of jobs that ended early (crash, window closed) in any instance.
#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <string_view>

#include "interchange/converter_files.h"
#include "platform/text.h"
#include "slicing/job_internal.h"

namespace zen {
namespace {

constexpr std::string_view kWorkPrefix = "work-";

int OpenFolder(const std::string& folder) { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

// Removes what is in a work folder (the converter writes files only) and the folder.
void RemoveWorkFolder(const std::string& folder) {
  if (DIR* listing = opendir(folder.c_str())) {
    while (const dirent* entry = readdir(listing)) {
      if (entry->d_type != DT_DIR) unlinkat(dirfd(listing), entry->d_name, 0);
    }
    closedir(listing);
  }
  rmdir(folder.c_str());
}

// A work folder of a job that no longer runs: its lock can be taken.
void RemoveIfAbandoned(const std::string& folder) {
  const int lock = OpenFolder(folder);
  if (lock < 0) return;
  if (flock(lock, LOCK_EX | LOCK_NB) == 0) RemoveWorkFolder(folder);
  close(lock);
}

}  // namespace

void RemoveLeftConverterFiles(std::u16string_view settings_folder) {
  if (settings_folder.empty()) return;
  const std::string folder = ToUtf8(settings_folder);
  DIR* listing = opendir(folder.c_str());
  if (listing == nullptr) return;
  // Converter files straight in the settings folder are left by an earlier version, whose
  // running jobs hold a shared lock on that folder.
  const bool loose_files_abandoned = flock(dirfd(listing), LOCK_EX | LOCK_NB) == 0;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view name = entry->d_name;
    if (name.starts_with(kWorkPrefix)) {
      RemoveIfAbandoned(folder + entry->d_name);
    } else if (loose_files_abandoned && IsConverterFileName(name)) {
      unlinkat(dirfd(listing), entry->d_name, 0);
    }
  }
  closedir(listing);
}

namespace slicing_detail {

const std::u16string& EnsureWorkFolder() {
  JobLedger& ledger = TheSlicingJob().ledger;
  const std::u16string& settings = TheSlicingJob().host.settings_folder;
  if (ledger.work_lock >= 0 || settings.empty()) return ledger.work_folder;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string made = ToUtf8(settings) + std::string(kWorkPrefix) + "XXXXXX";
    if (mkdtemp(made.data()) == nullptr) break;
    const int lock = OpenFolder(made);
    struct stat info {};
    // Another instance's start-up may take the folder between its making and its locking;
    // a folder still linked once locked is safe from then on.
    if (lock >= 0 && flock(lock, LOCK_EX) == 0 && fstat(lock, &info) == 0 && info.st_nlink > 0) {
      ledger.work_lock = lock;
      ledger.work_folder = FromUtf8(made) + u"/";
      break;
    }
    if (lock >= 0) close(lock);
  }
  return ledger.work_folder;
}

void ReleaseWorkFolder() {
  JobLedger& ledger = TheSlicingJob().ledger;
  if (ledger.work_lock < 0) return;
  RemoveWorkFolder(ToUtf8(ledger.work_folder));
  close(ledger.work_lock);
  ledger.work_lock = -1;
  ledger.work_folder.clear();
}

}  // namespace slicing_detail
}  // namespace zen
