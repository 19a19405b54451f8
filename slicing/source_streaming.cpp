// Loading a source, and cutting a plain one while it loads: its rows are decoded a batch
// per step on the loop's thread while the workers encode the pieces already cut, so both
// cores work from the first piece on and no step blocks for a whole decode. The pieces of
// such a source are held (written to temporary files only) until its last row decoded
// cleanly; data found damaged drops them and puts the job back where it was when the
// source began, so the source is skipped as one that does not load.
#include <unistd.h>

#include <algorithm>

#include "imaging/codecs.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"

namespace zen {
namespace slicing_detail {

// A streaming source's load and what the job was when it began.
struct StreamedSource {
  RowLoad load;
  JobSettings settings;
  std::u16string output_folder;
  int64_t piece_counter = 0;
  int64_t source_width = 0;
  int64_t source_height = 0;
  int64_t source_top = 0;
  PieceRun run;
  CutPlan plan;
  CutKind next_cut_kind = CutKind::Fixed;
  PlanBand next_cut_band;
};

namespace {

// Rows decoded per step: about a million pixels, a few milliseconds.
constexpr int64_t kPixelsPerStep = 1 << 20;

// Only a source cut at a fixed height, opening no piece carried over from the file before,
// taken as loaded (no converter file, no resize, no rows sink) streams: going back over
// it leaves nothing but numbers and names to restore.
bool MayStream(const std::u16string& load_path) {
  const SlicingJob& job = TheSlicingJob();
  const SliceMode mode = job.settings.slice_mode;
  const bool fixed = mode == SliceFixed || (mode == SliceFixedJoined && job.carry_height == 0);
  return fixed && job.strip_index == -1 && !job.delete_after_load && load_path == job.source_path &&
         !ControlChecked(gui::CtlResizeCheck) && !job.request.rows;
}

void Remember(StreamedSource& start) {
  const SlicingJob& job = TheSlicingJob();
  start.settings = job.settings;
  start.output_folder = job.output_folder;
  start.piece_counter = job.piece_counter;
  start.source_width = job.source_width;
  start.source_height = job.source_height;
  start.source_top = job.source_top;
  start.run = job.ledger.run;
  start.plan = job.plan;
  start.next_cut_kind = job.next_cut_kind;
  start.next_cut_band = job.next_cut_band;
}

// Back to the moment the source began: its pieces and its open piece gone, the numbers,
// names, run and plan as they were, and the output folder it made removed (when empty).
void GoBack(StreamedSource& start) {
  SlicingJob& job = TheSlicingJob();
  DropHeldPieces();
  if (job.made_output_folder) rmdir(ToUtf8(job.output_folder).c_str());
  job.made_output_folder = false;
  ImageFree(PieceImage);
  job.carry_height = 0;
  job.piece_rows.clear();
  job.settings = std::move(start.settings);
  job.output_folder = std::move(start.output_folder);
  job.piece_counter = start.piece_counter;
  job.source_width = start.source_width;
  job.source_height = start.source_height;
  job.source_top = start.source_top;
  job.ledger.run = std::move(start.run);
  job.plan = std::move(start.plan);
  job.next_cut_kind = start.next_cut_kind;
  job.next_cut_band = start.next_cut_band;
  job.cursor_y = 0;
}

// The load ended: the pieces are placed, or the source is undone and skipped. False when
// it was damaged.
bool EndStreaming() {
  SlicingJob& job = TheSlicingJob();
  const std::shared_ptr<StreamedSource> streamed = std::move(job.streamed);
  if (streamed->load.Complete()) {
    PlaceHeldPieces();
    return true;
  }
  GoBack(*streamed);
  SkipUnloadedSource(job.source_path, LoadProblem(streamed->load.Failure(), false));
  return false;
}

}  // namespace

bool LoadSource(const std::u16string& load_path, LoadFailure* failure) {
  SlicingJob& job = TheSlicingJob();
  auto streamed = std::make_shared<StreamedSource>();
  if (!streamed->load.Begin(SourceImage, load_path, failure)) return false;
  if (!MayStream(load_path)) {
    if (streamed->load.Finish()) return true;
    *failure = streamed->load.Failure();
    return false;
  }
  Remember(*streamed);
  job.streamed = std::move(streamed);
  HoldPieces();
  return true;
}

int64_t SourceRowsReady() {
  const SlicingJob& job = TheSlicingJob();
  return job.streamed ? job.streamed->load.RowsDone() : job.source_height;
}

bool LoadMoreSourceRows() {
  SlicingJob& job = TheSlicingJob();
  if (!job.streamed) return true;
  RowLoad& load = job.streamed->load;
  const int64_t batch = std::max<int64_t>(16, kPixelsPerStep / std::max<int64_t>(job.source_width, 1));
  const int64_t until = std::min<int64_t>(load.RowsDone() + batch, INT32_MAX);
  if (load.Continue(static_cast<int32_t>(until)) && !load.Complete()) return true;
  if (EndStreaming()) return true;
  if (MoveToNextRow()) PrepareSourceOrSkip();
  return false;
}

void SettleStreamedSource() {
  SlicingJob& job = TheSlicingJob();
  if (!job.streamed) return;
  job.streamed->load.Finish();
  EndStreaming();
}

}  // namespace slicing_detail
}  // namespace zen
