#include "slicing/slicing_job.h"

#include <malloc.h>

#include <algorithm>
#include <cmath>

#include "imaging/image_table.h"
#include "platform/clock.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "slicing/job_internal.h"
#include "sources/path_helpers.h"
#include "sources/source_list.h"

namespace zen {
namespace {

using gui::Gui;
using namespace slicing_detail;

constexpr std::u16string_view kStarted = u"작업 시작";
constexpr std::u16string_view kFinished = u"작업 완료";
constexpr std::u16string_view kCancelled = u"작업 취소";

SlicingJob& JobRecord() {
  static SlicingJob job;
  return job;
}

void FreeJobImages() {
  for (ImageId n = SourceImage; n <= CarryImage; ++n) ImageFree(n);
}

// A restart must not carry anything of the interrupted job over: its half-built piece,
// its segments and leftover, its strip state and the converter files of its source.
void DropInterruptedWork() {
  SlicingJob& job = JobRecord();
  SettleStreamedSource();  // its pieces are kept only once it is known whole
  SettlePieces();          // the pieces handed over are written whole and reported, as one thread would have
  ReleaseWorkFolder();     // with the strips an interrupted job was cutting
  job.strip_index = -1;
  job.delete_after_load = false;
  FreeJobImages();
  job.carry_height = 0;
  job.segment_list.clear();
  job.pending_leftover = false;
  job.last_row_uniform = false;
  job.piece_rows.clear();
  job.strip_first_row = 0;
  DropPlannedWork();
}

// Every piece allocates and frees canvases of a few megabytes. Left to glibc's defaults
// they come and go as fresh mappings, and the page faults and zeroing cost more than the
// copying itself; kept in the heap they are reused. Pages above 32 MB (the source) are
// still mapped on their own and returned at once when freed.
void KeepPieceBuffersInHeap() {
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
}

// The height field's minimum rule, applied before the value is taken: a settings file can
// hold a height below 1, with which a fixed-height job would never advance.
int64_t TakeSliceHeight() {
  if (FieldValue(gui::CtlHeightField) < 1) Gui().SetText(gui::CtlHeightField, u"1");
  return FieldValue(gui::CtlHeightField);
}

void TakeStartSettings() {
  SlicingJob& job = JobRecord();
  JobSettings& settings = job.settings;
  job.folder_text_at_start = Gui().Text(gui::CtlFolderBox);
  job.prefix_text_at_start = Gui().Text(gui::CtlPrefixBox);
  settings.folder_name = job.folder_text_at_start;
  settings.file_prefix = job.prefix_text_at_start;
  if (job.request.plan) {
    settings.slice_mode = SlicePlanned;
  } else if (ControlChecked(gui::CtlFixedOption)) {
    settings.slice_height = TakeSliceHeight();
    settings.slice_mode = ControlChecked(gui::CtlJoinCheck) ? SliceFixedJoined : SliceFixed;
  } else {
    const bool smart = job.host.smart_planner && *job.host.smart_planner == 1;
    settings.slice_mode = smart ? SliceSmart : SliceCutDetect;
    settings.auto_slice_min = FieldValue(gui::CtlMinimumField);
    settings.auto_slice_max = FieldValue(gui::CtlMaximumField);
  }
}

// A new job's ledger: nothing written yet; the sources are looked up afresh. The work
// folder stays held across a restart.
void ResetLedger() {
  JobLedger& ledger = JobRecord().ledger;
  ledger.sources.clear();
  ledger.written.clear();
  ledger.named.clear();
  ledger.dry_run_written.clear();
  ledger.cleaned_folders.clear();
  ledger.run = PieceRun{};
}

// The last thing every job does, finished, stopped at the size check or cancelled: one
// second from now the loop hides the progress row and waits again. (Pieces still being
// written elsewhere would be settled before this.)
void MarkJobEnded() {
  SlicingJob& job = JobRecord();
  CloseRunRecord();
  job.output_folder.clear();
  if (job.host.job_end_time) *job.host.job_end_time = ElapsedMs();
  if (job.host.observer) job.host.observer->JobFinished();
  // The callback may ask for the next job; this one's request is over.
  const std::function<void()> on_finished = std::move(job.request.on_finished);
  job.request.on_finished = nullptr;
  if (on_finished) on_finished();
}

// The rows of SourceImage the next step reads, from the top: the fixed-height band, or
// the whole source in the other modes.
int64_t RowsNextStepReads() {
  const SlicingJob& job = JobRecord();
  if (job.settings.slice_mode != SliceFixed && job.settings.slice_mode != SliceFixedJoined) return job.source_height;
  return job.cursor_y + std::min(job.settings.slice_height - job.carry_height, job.source_height - job.cursor_y);
}

void OpenOutputFolder() {
  SlicingJob& job = JobRecord();
  job.settings.folder_open = ControlChecked(gui::CtlOpenFolderCheck);
  if (!job.settings.folder_open || DryRun() || job.output_folder.empty()) return;
  if (QuotedWordSurvivesSplitting(job.output_folder)) {
    StartProgram(job.host.opener, u"\"" + job.output_folder + u"\"", u"", 0);
  } else {
    StartProgramWithArguments(job.host.opener, {job.output_folder}, u"", 0);
  }
}

}  // namespace

SlicingJob& TheSlicingJob() { return JobRecord(); }

void ResetSlicingJob() {
  // First the workers: pieces not yet begun are dropped, those being written end whole.
  JobRecord().handed.reset();
  FreeJobImages();
  ReleaseWorkFolder();
  JobRecord() = SlicingJob{};
}

void StartJob() {
  SlicingJob& job = JobRecord();
  DropInterruptedWork();
  job.request = std::move(job.next_request);
  job.next_request = JobRequest{};
  job.plan = CutPlan{};
  if (ListRowCount() <= 0) {
    job.job_state = JobIdle;
    return;
  }
  ShowJobStarted();
  KeepPieceBuffersInHeap();
  job.source_index = 0;
  job.piece_counter = 0;
  job.carry_height = 0;
  job.failed_pieces.clear();
  job.skipped_sources.clear();
  job.stale_pieces.clear();
  ResetLedger();
  TakeStartSettings();
  job.job_state = JobRunning;
  PrepareSourceOrSkip();
}

void StepJob() {
  SlicingJob& job = JobRecord();
  if (job.job_state != JobRunning) return;
  DeliverFinishedPieces();
  // A streaming source decodes its next rows first, busy workers or not; it may turn out
  // damaged and be skipped, which ends the step.
  const bool streaming = job.streamed != nullptr;
  if (!LoadMoreSourceRows()) return;
  // A fixed-height step makes a piece; while the workers hold all they may, the step is
  // left to a later turn. (A cut-detection step makes none until the source's last, which
  // writes what the workers cannot take itself.)
  if (job.settings.slice_mode != SliceCutDetect && !SourceDecodesBeside() && !RoomForPiece(!streaming)) return;
  if (!FindImage(SourceImage)) {
    // Nothing to cut (cannot happen after a successful preparation); move on.
    EndSource();
    return;
  }
  // A step reads only rows already decoded; those a worker is decoding are waited for a
  // little, and the end of its decode taken at once.
  if (SourceRowsReady() < RowsNextStepReads()) {
    if (!AwaitRows(RowsNextStepReads()) || !LoadMoreSourceRows()) return;
    if (SourceRowsReady() < RowsNextStepReads()) return;
  }
  switch (job.settings.slice_mode) {
    case SliceCutDetect: CutDetectStep(); break;
    case SliceSmart:
    case SlicePlanned: PlannedStep(); break;
    default: FixedHeightStep(); break;
  }
  if (job.job_state == JobRunning) ShowCutProgress();
}

void CancelJob() {
  SlicingJob& job = JobRecord();
  if (job.job_state != JobRunning) return;
  // Steps end within a loop turn, so the step in progress is over: the pieces written stay,
  // the open piece and the source's converter files go.
  DropInterruptedWork();
  job.job_state = JobIdle;
  Gui().SetText(gui::CtlProgressText, kCancelled);
  // The run stopped short of its end: later numbers of an earlier run are not stale.
  job.ledger.run = PieceRun{};
  ReleaseWorkFolder();
  ShowJobReport();
  MarkJobEnded();
}

void ShowJobStarted() {
  SlicingJob& job = JobRecord();
  Gui().SetText(gui::CtlProgressText, kStarted);
  Gui().SetState(gui::CtlProgressBar, 0);
  if (job.host.poll_events) *job.host.poll_events = true;
  // A job started within a second of the last one's end must not be stopped from polling
  // by that pending end.
  if (job.host.job_end_time) *job.host.job_end_time = -1;
  Gui().SetContentSize(gui::MainWindow, gui::MainWidth, gui::MainHeightWithProgress);
}

void FinishJob() {
  SettlePieces();
  Gui().SetText(gui::CtlProgressText, kFinished);
  Gui().SetState(gui::CtlProgressBar, 100);
  EndPieceRun();
  ReleaseWorkFolder();
  OpenOutputFolder();
  if (JobRecord().request.show_report) ShowJobReport();
  MarkJobEnded();
}

namespace slicing_detail {

int64_t ListRowCount() { return SourceRowCount(); }

std::u16string ListRowPath(int64_t row) { return SourceRowPath(static_cast<int>(row)); }

int64_t FieldValue(gui::ControlId field) { return TextToInt(Gui().Text(field)); }

bool ControlChecked(gui::ControlId control) { return Gui().State(control) != 0; }

bool DryRun() {
  const SlicingJob& job = JobRecord();
  return job.host.dry_run || job.request.dry_run;
}

int ProgressPercent(int64_t row, int64_t rows, double within) {
  const double exact = (static_cast<double>(row + 1) + within) / static_cast<double>(rows + 1) * 100.0;
  return static_cast<int>(std::nearbyintf(static_cast<float>(exact)));
}

// A source cut in converter strips counts strip by strip. While its last strip is cut,
// strip_index is -1 again, but strip_first_row is past 0.
void ShowCutProgress() {
  const SlicingJob& job = JobRecord();
  double within = 0.0;
  if (job.source_height > 0) {
    within = std::clamp(static_cast<double>(job.cursor_y) / static_cast<double>(job.source_height), 0.0, 1.0);
  }
  if (job.strip_index != -1) {
    within = (job.strip_index + within) / StripCount;
  } else if (job.strip_first_row > 0) {
    within = (StripCount - 1 + within) / StripCount;
  }
  Gui().SetState(gui::CtlProgressBar, ProgressPercent(job.source_index, ListRowCount(), within));
}

namespace {

// The piece left open by a finished (or skipped) source ends here unless the next row
// continues it: joined mode within one folder. A cut-detection leftover never outlives
// its source.
void ClosePieceBeforeNextRow() {
  SlicingJob& job = JobRecord();
  if (job.settings.slice_mode == SliceCutDetect) {
    FlushLeftover();
    return;
  }
  if (job.settings.slice_mode == SliceSmart || job.settings.slice_mode == SlicePlanned) {
    if (NextRowStartsRun()) FinishPlannedRun();
    return;
  }
  const bool other_folder = FolderPart(ListRowPath(job.source_index)) != FolderPart(job.source_path);
  if (other_folder || job.settings.slice_mode == SliceFixed) WriteTail();
}

void EndJobAfterLastRow() {
  SlicingJob& job = JobRecord();
  WriteTail();
  FlushLeftover();
  FinishPlannedRun();
  job.job_state = JobIdle;
  FinishJob();
}

}  // namespace

void EndSource() {
  SlicingJob& job = JobRecord();
  SettleStreamedSource();  // never so by then: its last rows come with the end of its decode
  ImageFree(SourceImage);
  if (job.source_index < ListRowCount() - 1 || job.strip_index != -1) {
    ++job.source_index;
    if (job.strip_index == -1) ClosePieceBeforeNextRow();
    PrepareSourceOrSkip();
    return;
  }
  EndJobAfterLastRow();
}

void PrepareSourceOrSkip() {
  while (!PrepareNextSource()) {
    if (!MoveToNextRow()) return;
  }
}

// A skipped source ends here as if it had been cut to its end.
bool MoveToNextRow() {
  SlicingJob& job = JobRecord();
  if (job.source_index >= ListRowCount() - 1) {
    EndJobAfterLastRow();
    return false;
  }
  ++job.source_index;
  ClosePieceBeforeNextRow();
  return true;
}

void AddPieceRows(int64_t first, int64_t count) {
  SlicingJob& job = JobRecord();
  const int64_t whole_first = job.strip_first_row + first;
  if (!job.piece_rows.empty()) {
    PieceRows& last = job.piece_rows.back();
    if (last.source_index == job.source_index && last.first_row + last.row_count == whole_first) {
      last.row_count += count;
      return;
    }
  }
  job.piece_rows.push_back({job.source_index, job.source_path, whole_first, count});
}

}  // namespace slicing_detail
}  // namespace zen
