// The converter's work folder: a running job holds a shared lock on it (flock on the folder
// itself), and start-up
// removes what a job that ended early (window closed, size stop, crash) left there, but only
// when it can take that lock alone, so never under a job still running in another instance.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "interchange/converter_files.h"
#include "platform/text.h"
#include "slicing/job_internal.h"

namespace zen {
namespace {

// The folder itself is locked, so no lock file is added to it.
int OpenLock(std::u16string_view work_folder) {
  return open(ToUtf8(work_folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

}  // namespace

void RemoveLeftConverterFiles(std::u16string_view work_folder) {
  if (work_folder.empty()) return;
  const int lock = OpenLock(work_folder);
  if (lock < 0) return;
  if (flock(lock, LOCK_EX | LOCK_NB) == 0) {
    const std::string folder = ToUtf8(work_folder);
    if (DIR* listing = opendir(folder.c_str())) {
      while (const dirent* entry = readdir(listing)) {
        if (IsConverterFileName(entry->d_name)) unlink((folder + entry->d_name).c_str());
      }
      closedir(listing);
    }
  }
  close(lock);
}

namespace slicing_detail {

void HoldWorkFolder() {
  JobLedger& ledger = TheSlicingJob().ledger;
  const std::u16string& folder = TheSlicingJob().host.settings_folder;
  if (ledger.work_lock >= 0 || folder.empty()) return;
  ledger.work_lock = OpenLock(folder);
  if (ledger.work_lock >= 0) flock(ledger.work_lock, LOCK_SH);
}

void ReleaseWorkFolder() {
  JobLedger& ledger = TheSlicingJob().ledger;
  if (ledger.work_lock < 0) return;
  close(ledger.work_lock);
  ledger.work_lock = -1;
}

}  // namespace slicing_detail
}  // namespace zen
