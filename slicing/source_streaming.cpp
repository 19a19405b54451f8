// Loading a source, and cutting a plain one while it loads: its rows are decoded on a
// worker (or, while none is free, a batch per step on the loop's thread) while the pieces
// already cut are encoded, so both cores work from the first piece on and no step blocks
// for a whole decode. The pieces of
// such a source are held (written to temporary files only) until its last row decoded
// cleanly; data found damaged drops them and puts the job back where it was when the
// source began, so the source is skipped as one that does not load.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

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
  bool beside = false;                 // the rest decodes on a worker (the loop's to know)
  std::atomic<int32_t> rows_ready{0};  // rows decoded, published by whoever decodes them
  std::atomic<bool> ended{false};      // the decode is over, whole or failed
  std::mutex mutex;                    // with `arrived`: the loop waits a little for rows
  std::condition_variable arrived;
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

// Rows decoded per step on the loop's thread (while no worker is free to take the rest):
// about a million pixels, a few milliseconds.
constexpr int64_t kPixelsPerStep = 1 << 20;
// Longest a step waits for rows a worker is decoding, as long as a step waits for room
// for a piece: the loop's turns then neither take a core from the decode nor stop.
constexpr std::chrono::milliseconds kRowsWait{8};

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
  RemoveUnusedOutputFolder();
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

// The rest of a source's rows, decoded on a worker while the loop cuts the rows above
// them; each batch is published when whole. The last rows are published only by the end,
// so the loop cannot cut the source to its end (and go on to the next one) before it has
// taken the end and placed the held pieces.
void DecodeRest(StreamedSource& streamed) {
  constexpr int32_t kRowsPerBatch = 256;
  RowLoad& load = streamed.load;
  const auto tell = [&streamed] {
    { const std::lock_guard<std::mutex> lock(streamed.mutex); }  // a waiter checks under the lock
    streamed.arrived.notify_all();
  };
  while (load.Decode(load.RowsDone() + kRowsPerBatch) && !load.Complete()) {
    streamed.rows_ready.store(load.RowsDone(), std::memory_order_release);
    tell();
  }
  streamed.ended.store(true, std::memory_order_release);
  tell();
}

// The load ended (on the loop's thread): the pieces are placed, or the source is undone
// and skipped. False when it was damaged.
bool EndStreaming() {
  SlicingJob& job = TheSlicingJob();
  const std::shared_ptr<StreamedSource> streamed = std::move(job.streamed);
  streamed->load.Conclude();
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
  return job.streamed ? job.streamed->rows_ready.load(std::memory_order_acquire) : job.source_height;
}

bool SourceDecodesBeside() {
  const SlicingJob& job = TheSlicingJob();
  return job.streamed && job.streamed->beside;
}

bool LoadMoreSourceRows() {
  SlicingJob& job = TheSlicingJob();
  if (!job.streamed) return true;
  StreamedSource& streamed = *job.streamed;
  if (!streamed.beside) {
    // The rest goes to a worker when one is free; until then a batch a step here.
    streamed.beside = RunBeside([source = job.streamed] { DecodeRest(*source); });
    if (!streamed.beside) {
      const int64_t batch = std::max<int64_t>(16, kPixelsPerStep / std::max<int64_t>(job.source_width, 1));
      const int64_t until = std::min<int64_t>(streamed.load.RowsDone() + batch, INT32_MAX);
      const bool decoded = streamed.load.Decode(static_cast<int32_t>(until));
      streamed.rows_ready.store(streamed.load.RowsDone(), std::memory_order_release);
      if (decoded && !streamed.load.Complete()) return true;
      streamed.ended.store(true, std::memory_order_release);
    }
  }
  if (!streamed.ended.load(std::memory_order_acquire)) return true;
  if (EndStreaming()) return true;
  if (MoveToNextRow()) PrepareSourceOrSkip();
  return false;
}

bool AwaitRows(int64_t rows) {
  if (!SourceDecodesBeside()) return false;
  StreamedSource& streamed = *TheSlicingJob().streamed;
  std::unique_lock<std::mutex> lock(streamed.mutex);
  streamed.arrived.wait_for(lock, kRowsWait, [&streamed, rows] {
    return streamed.ended.load(std::memory_order_acquire) ||
           streamed.rows_ready.load(std::memory_order_acquire) >= rows;
  });
  return true;
}

void SettleStreamedSource() {
  SlicingJob& job = TheSlicingJob();
  if (!job.streamed) return;
  if (job.streamed->beside) {
    WaitForWorkers();
  } else {
    job.streamed->load.Decode(INT32_MAX);
  }
  EndStreaming();
}

}  // namespace slicing_detail
}  // namespace zen
