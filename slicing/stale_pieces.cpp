// Pieces of an earlier run: after the job's last piece in a folder, the files there that
// carry the same prefix and extension and a number (padded any way), but that this job did
// not write. Rerunning a chapter with taller pieces would otherwise leave the old run's
// later pieces beside the new ones.
#include <dirent.h>

#include <algorithm>
#include <utility>

#include "platform/text.h"
#include "slicing/job_internal.h"

namespace zen::slicing_detail {
namespace {

// The number in prefix + digits + "." + extension, without its leading zeros; empty when
// the name is not of that form.
std::u16string PieceNumberOf(std::u16string_view name, const PieceRun& run) {
  if (!name.starts_with(run.prefix)) return {};
  const std::u16string ending = u"." + run.extension;
  if (!name.ends_with(ending) || name.size() <= run.prefix.size() + ending.size()) return {};
  const std::u16string_view digits = name.substr(run.prefix.size(), name.size() - run.prefix.size() - ending.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; })) return {};
  const size_t first = std::min(digits.find_first_not_of(u'0'), digits.size() - 1);
  return std::u16string(digits.substr(first));
}

// A file the job wrote is not stale, and a source never is (an output folder may be the
// sources' own folder).
bool StaleCandidate(const std::u16string& path) {
  const SlicingJob& job = TheSlicingJob();
  const std::optional<FileIdentity> identity = IdentityOf(path);
  if (!identity || IsSourceOfJob(*identity)) return false;
  if (DryRun()) return job.ledger.dry_run_written.count(NormalisedPath(path)) == 0;
  return job.ledger.written.count(*identity) == 0;
}

std::vector<std::u16string> FindStalePieces(const PieceRun& run) {
  std::vector<std::pair<std::u16string, std::u16string>> found;  // number, path
  DIR* listing = opendir(ToUtf8(run.folder).c_str());
  if (!listing) return {};
  while (const dirent* entry = readdir(listing)) {
    if (entry->d_type == DT_DIR) continue;
    const std::u16string name = FromUtf8(entry->d_name);
    std::u16string number = PieceNumberOf(name, run);
    if (number.empty()) continue;
    std::u16string path = run.folder + u"/" + name;
    if (StaleCandidate(path)) found.emplace_back(std::move(number), std::move(path));
  }
  closedir(listing);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    if (a.first.size() != b.first.size()) return a.first.size() < b.first.size();
    return a < b;
  });
  std::vector<std::u16string> paths;
  for (auto& [number, path] : found) paths.push_back(std::move(path));
  return paths;
}

}  // namespace

void EndPieceRun() {
  const PieceRun run = std::exchange(TheSlicingJob().ledger.run, PieceRun{});
  if (run.pieces == 0 || run.folder.empty()) return;
  HandOverRunEnd(run);
}

// The job's own pieces of the run are all written by now, so none of them passes for stale.
void ReportStalePieces(const PieceRun& run) {
  SlicingJob& job = TheSlicingJob();
  StalePieces stale{run.folder, FindStalePieces(run)};
  if (stale.paths.empty()) return;
  job.stale_pieces.push_back(stale);
  if (job.host.observer) job.host.observer->StalePiecesFound(stale);
}

}  // namespace zen::slicing_detail
