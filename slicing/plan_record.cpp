// The plan of the running job, recorded as it is cut, whatever the mode: its runs, the
// files of each run with their rows, and the cut that ends each piece saved.
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"
#include "sources/path_helpers.h"

namespace zen::slicing_detail {
namespace {

PlanRun& CurrentRun() { return TheSlicingJob().plan.runs.back(); }

bool JoinsFolders(SliceMode mode) { return mode == SliceFixedJoined || mode == SliceSmart; }

// Whether the list row `row` (loaded or about to be) begins a run after `previous_path`.
bool StartsRun(int64_t row, std::u16string_view path) {
  const SlicingJob& job = TheSlicingJob();
  if (job.plan.runs.empty() || CurrentRun().files.empty()) return true;
  const PlanFile& previous = CurrentRun().files.back();
  if (job.settings.slice_mode == SlicePlanned) return GivenRunOf(row) != GivenRunOf(previous.list_row);
  return !JoinsFolders(job.settings.slice_mode) || FolderPart(previous.path) != FolderPart(path);
}

const PlanFile* FileOfListRow(const PlanRun& run, int64_t list_row) {
  for (const PlanFile& file : run.files) {
    if (file.list_row == list_row) return &file;
  }
  return nullptr;
}

}  // namespace

void NoteLoadedSource() {
  SlicingJob& job = TheSlicingJob();
  if (job.strip_first_row == 0) {  // an ordinary source, or the first strip of one
    if (StartsRun(job.source_index, job.source_path)) {
      CloseRunRecord();
      job.plan.runs.emplace_back();
      StartPlannedRun();
    }
    PlanRun& run = CurrentRun();
    run.files.push_back(
        PlanFile{job.source_index, job.source_path, run.Rows(), 0, static_cast<int32_t>(job.source_width)});
  }
  PlanFile& file = CurrentRun().files.back();
  job.source_top = file.top + file.rows;
  file.rows += job.source_height;
  const NativeImage* rows = ImageNativeObject(SourceImage);
  if (job.request.rows && rows) job.request.rows->SourceRows(job.plan.runs.size() - 1, *rows);
}

void SetNextCut(CutKind kind, int64_t band_top, int64_t band_bottom) {
  SlicingJob& job = TheSlicingJob();
  const int64_t offset = job.source_top;
  job.next_cut_kind = kind;
  job.next_cut_band = band_bottom > band_top ? PlanBand{offset + band_top, offset + band_bottom} : PlanBand{};
}

void RecordPieceCut() {
  SlicingJob& job = TheSlicingJob();
  const CutKind kind = job.next_cut_kind;
  const PlanBand band = job.next_cut_band;
  job.next_cut_kind = CutKind::Fixed;
  job.next_cut_band = {};
  if (job.plan.runs.empty() || job.piece_rows.empty()) return;
  const PieceRows& last = job.piece_rows.back();
  const PlanFile* file = FileOfListRow(CurrentRun(), last.source_index);
  if (!file) return;
  CurrentRun().cuts.push_back(PlanCut{file->top + last.first_row + last.row_count, kind, band});
}

void CloseRunRecord() {
  SlicingJob& job = TheSlicingJob();
  if (job.plan.runs.empty()) return;
  PlanRun& run = CurrentRun();
  if (!run.cuts.empty() && run.cuts.back().row == run.Rows()) run.cuts.back() = PlanCut{run.Rows(), CutKind::End, {}};
}

bool NextRowStartsRun() {
  const SlicingJob& job = TheSlicingJob();
  if (job.source_index >= ListRowCount()) return true;
  return StartsRun(job.source_index, ListRowPath(job.source_index));
}

int64_t GivenRunOf(int64_t list_row) {
  const SlicingJob& job = TheSlicingJob();
  if (!job.request.plan) return -1;
  const std::vector<PlanRun>& runs = job.request.plan->runs;
  for (size_t r = 0; r < runs.size(); ++r) {
    if (FileOfListRow(runs[r], list_row)) return static_cast<int64_t>(r);
  }
  return -1;
}

}  // namespace zen::slicing_detail

namespace zen {

int64_t FirstPieceNumber(const CutPlan& plan, size_t run) {
  int64_t number = 1;
  if (run >= plan.runs.size() || plan.runs[run].files.empty()) return number;
  const std::u16string_view folder = FolderPart(plan.runs[run].files.front().path);
  for (size_t r = run; r-- > 0;) {
    if (plan.runs[r].files.empty() || FolderPart(plan.runs[r].files.front().path) != folder) break;
    number += static_cast<int64_t>(plan.runs[r].cuts.size());
  }
  return number;
}

}  // namespace zen
