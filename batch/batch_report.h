#pragma once
// What a batch run did: the pieces (with the source rows each holds), the sources that
// could not be loaded, the pieces that could not be written, and a stop at the size limit.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "slicing/slicing_job.h"

namespace zen::batch {

class BatchReport : public JobObserver {
 public:
  void PieceSaved(const PieceReport& piece) override;
  void SourceSkipped(int64_t row, std::u16string_view path, const ProblemReason& reason) override;
  void StalePiecesFound(const StalePieces& stale) override;
  void SizeLimitStop(std::u16string_view path, bool width_exceeded) override;

  // Called after every observed change (the progress display).
  std::function<void()> on_change;

  const std::vector<PieceReport>& pieces() const { return pieces_; }
  const std::vector<FileProblem>& skipped() const { return skipped_; }
  std::vector<FileProblem> failed() const;
  const std::vector<StalePieces>& stale() const { return stale_; }
  const std::optional<std::u16string>& stopped() const { return stopped_; }
  // Pieces written and pieces that failed per output folder, in the order the folders were
  // first reached.
  struct FolderCount {
    std::u16string folder;
    int written = 0;
    int failed = 0;
  };
  std::vector<FolderCount> FolderCounts() const;

  // The job's plan, for the report.
  void SetPlan(CutPlan plan) { plan_ = std::move(plan); }
  const CutPlan& plan() const { return plan_; }

  // The report as one JSON object (UTF-8).
  std::string ToJson() const;

 private:
  std::vector<PieceReport> pieces_;
  std::vector<FileProblem> skipped_;
  std::vector<StalePieces> stale_;
  std::optional<std::u16string> stopped_;
  CutPlan plan_;
};

// Why a source was skipped or a piece not written, in words (English, as the rest of the
// command line speaks).
std::string ReasonText(const ProblemReason& reason);

}  // namespace zen::batch
