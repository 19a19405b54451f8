// Whether a plan fits the listed sources before anything is written: the same files in the
// same order, one folder per run, the rows each file will have, and pieces its format holds.
#include "platform/file_identity.h"
#include "platform/gui/main_controls.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"
#include "sources/path_helpers.h"

namespace zen {
namespace {

using namespace slicing_detail;

bool SameFile(const std::u16string& a, const std::u16string& b) {
  const std::optional<FileIdentity> first = IdentityOf(a);
  const std::optional<FileIdentity> second = IdentityOf(b);
  return first && second ? *first == *second : a == b;
}

PlanProblem CheckFiles(const CutPlan& plan) {
  std::vector<std::u16string> seen;
  int64_t row = 0;
  for (size_t r = 0; r < plan.runs.size(); ++r) {
    const std::vector<PlanFile>& files = plan.runs[r].files;
    for (size_t f = 0; f < files.size(); ++f, ++row) {
      const std::u16string& path = files[f].path;
      if (row >= ListRowCount() || !SameFile(ListRowPath(row), path)) return {PlanProblemKind::OtherFiles, r, f, path};
      for (const std::u16string& before : seen) {
        if (SameFile(before, path)) return {PlanProblemKind::FileTwice, r, f, path};
      }
      if (FolderPart(path) != FolderPart(files.front().path)) return {PlanProblemKind::FoldersMixed, r, f, path};
      seen.push_back(path);
    }
  }
  if (row != ListRowCount()) return {PlanProblemKind::ExtraFile, 0, 0, ListRowPath(row)};
  return {};
}

PlanProblem CheckRows(const CutPlan& plan) {
  for (size_t r = 0; r < plan.runs.size(); ++r) {
    const std::vector<PlanFile>& files = plan.runs[r].files;
    for (size_t f = 0; f < files.size(); ++f) {
      const auto [width, height] = SourceSizeAsCut(files[f].path);
      if (width <= 0 || height <= 0) return {PlanProblemKind::Unreadable, r, f, files[f].path};
      if (height != files[f].rows) return {PlanProblemKind::OtherRows, r, f, files[f].path, files[f].rows, height};
    }
  }
  return {};
}

PlanProblem CheckHeights(const CutPlan& plan) {
  const int64_t limit = MaxPieceRows(gui::Gui().State(gui::CtlFormatBox));
  for (size_t r = 0; r < plan.runs.size(); ++r) {
    const std::vector<int64_t> heights = plan.runs[r].PieceHeights();
    for (size_t p = 0; p < heights.size(); ++p) {
      if (heights[p] > limit) return {PlanProblemKind::PieceTooTall, r, p, {}, heights[p], limit};
    }
  }
  return {};
}

}  // namespace

int64_t MaxPieceRows(int save_extension) { return save_extension == 0 ? JpegMaxRows : PngMaxRows; }

PlanProblem CheckPlan(const CutPlan& plan) {
  if (PlanProblem problem = CheckFiles(plan)) return problem;
  if (PlanProblem problem = CheckHeights(plan)) return problem;
  return CheckRows(plan);
}

}  // namespace zen
