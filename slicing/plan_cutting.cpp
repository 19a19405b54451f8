// Cutting at planned rows: the smart planner's cuts (read as the rows stream in) or a given
// plan's. A step writes one piece whose rows are all at hand, or reads the next rows for
// the planner. Rows whose piece is not settled when a source ends wait in CarryImage, so a
// piece may span files and strips; the smart planner keeps that wait within twice the
// maximum height.
#include <algorithm>

#include "imaging/image_table.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"

namespace zen {
namespace {

using namespace slicing_detail;

constexpr int64_t kRowsPerStep = 2048;

int64_t SourceBottom() {
  const SlicingJob& job = TheSlicingJob();
  return FindImage(SourceImage) ? job.source_top + job.source_height : job.source_top;
}

// Rows the smart planner may leave unsettled when a source ends: four times the maximum,
// within what one image can hold.
int64_t CarryLimit() {
  const JobSettings& settings = TheSlicingJob().settings;
  const int64_t max = std::max(settings.auto_slice_max, settings.auto_slice_min);
  return std::max(std::min<int64_t>(4 * max, 65000), 2 * max + 2);
}

void TakeSettledCuts() {
  SlicingJob& job = TheSlicingJob();
  if (!job.planner) return;
  for (const PlanCut& cut : job.planner->TakeSettledCuts()) job.planned_cuts.push_back(cut);
}

// The rows of the current run's files that the piece [top, bottom) holds.
void SetPieceRows(int64_t top, int64_t bottom) {
  SlicingJob& job = TheSlicingJob();
  job.piece_rows.clear();
  if (job.plan.runs.empty()) return;
  for (const PlanFile& file : job.plan.runs.back().files) {
    const int64_t from = std::max(top, file.top);
    const int64_t to = std::min(bottom, file.top + file.rows);
    if (from < to) job.piece_rows.push_back({file.list_row, file.path, from - file.top, to - from});
  }
}

// Draws run rows from `top` on, as far as CarryImage and SourceImage hold them, into a new
// canvas `target` of `rows` rows, as wide as the image the first row comes from; over white,
// as the joined fixed-height pieces are.
void ComposeRows(ImageId target, int64_t top, int64_t rows) {
  const SlicingJob& job = TheSlicingJob();
  const NativeImage* carry = top < job.source_top ? ImageNativeObject(CarryImage) : nullptr;
  const NativeImage* source = ImageNativeObject(SourceImage);
  const NativeImage* first = carry ? carry : source;
  if (!first || !ImageCreate(target, first->width, static_cast<int32_t>(rows))) return;
  if (!DrawingStart(ImageDrawTarget(target))) return;
  if (carry) DrawImageOverWhiteAt(carry, 0, static_cast<int32_t>(job.carry_top - top));
  if (source) DrawImageOverWhiteAt(source, 0, static_cast<int32_t>(job.source_top - top));
  DrawingStop();
}

// Puts run rows [top, bottom) into `target`: a grab when one image holds them all.
void TakeRows(ImageId target, int64_t top, int64_t bottom) {
  const SlicingJob& job = TheSlicingJob();
  const auto rows = static_cast<int32_t>(std::min<int64_t>(bottom - top, INT32_MAX));
  if (top >= job.source_top && FindImage(SourceImage)) {
    ImageGrab(SourceImage, target, 0, static_cast<int32_t>(top - job.source_top),
              static_cast<int32_t>(job.source_width), rows);
  } else if (bottom <= job.source_top && FindImage(CarryImage)) {
    ImageGrab(CarryImage, target, 0, static_cast<int32_t>(top - job.carry_top), ImageNativeObject(CarryImage)->width,
              rows);
  } else {
    ComposeRows(target, top, bottom - top);
  }
}

void WritePiece(const PlanCut& cut) {
  SlicingJob& job = TheSlicingJob();
  TakeRows(PieceImage, job.piece_top, cut.row);
  SetPieceRows(job.piece_top, cut.row);
  job.next_cut_kind = cut.kind;
  job.next_cut_band = cut.band;
  SavePiece(PieceImage);
  ImageFree(PieceImage);
  job.piece_top = cut.row;
  if (job.piece_top >= job.source_top) ImageFree(CarryImage);
}

// The next settled cut whose rows are all at hand is written; false when there is none.
bool WriteNextPiece() {
  SlicingJob& job = TheSlicingJob();
  while (!job.planned_cuts.empty() && job.planned_cuts.front().row <= job.piece_top) {
    job.planned_cuts.pop_front();  // not below the last one: nothing to write
  }
  if (job.planned_cuts.empty() || job.planned_cuts.front().row > SourceBottom()) return false;
  const PlanCut cut = job.planned_cuts.front();
  job.planned_cuts.pop_front();
  WritePiece(cut);
  return true;
}

void ReadRows() {
  SlicingJob& job = TheSlicingJob();
  const NativeImage* image = ImageNativeObject(SourceImage);
  if (!job.planner || !image) {
    job.cursor_y = job.source_height;
    return;
  }
  const int64_t count = std::min(kRowsPerStep, job.source_height - job.cursor_y);
  job.planner->AddRows(image->Row(static_cast<int32_t>(job.cursor_y)), image->width, count,
                       static_cast<size_t>(image->width) * 4);
  job.cursor_y += count;
  if (job.cursor_y >= job.source_height) job.planner->LimitUnsettled(CarryLimit());
  TakeSettledCuts();
}

// The source is read and its settled pieces written: the rows still waiting for their cut
// move into CarryImage, which then holds the run's rows [carry_top, source_top).
void KeepWaitingRows() {
  SlicingJob& job = TheSlicingJob();
  const int64_t bottom = SourceBottom();
  if (job.piece_top < bottom) {
    if (job.piece_top >= job.source_top) {
      TakeRows(BandImage, job.piece_top, bottom);
    } else {
      ComposeRows(BandImage, job.piece_top, bottom - job.piece_top);
    }
    ImageCopy(BandImage, CarryImage);
    ImageFree(BandImage);
    job.carry_top = job.piece_top;
  } else {
    ImageFree(CarryImage);
  }
  job.source_top = bottom;
}

}  // namespace

void PlannedStep() {
  SlicingJob& job = TheSlicingJob();
  if (WriteNextPiece()) return;
  if (job.cursor_y < job.source_height) {
    ReadRows();
    return;
  }
  KeepWaitingRows();
  EndSource();
}

namespace slicing_detail {

void StartPlannedRun() {
  SlicingJob& job = TheSlicingJob();
  DropPlannedWork();
  if (job.settings.slice_mode == SliceSmart) {
    job.planner =
        std::make_unique<SmartPlanner>(PlannerLimits{job.settings.auto_slice_min, job.settings.auto_slice_max});
  } else if (job.settings.slice_mode == SlicePlanned) {
    const int64_t run = GivenRunOf(job.source_index);
    if (run >= 0) {
      const std::vector<PlanCut>& cuts = job.request.plan->runs[static_cast<size_t>(run)].cuts;
      job.planned_cuts.assign(cuts.begin(), cuts.end());
    }
  }
}

void FinishPlannedRun() {
  SlicingJob& job = TheSlicingJob();
  if (job.settings.slice_mode != SliceSmart && job.settings.slice_mode != SlicePlanned) return;
  if (job.planner) job.planner->Finish();
  TakeSettledCuts();
  while (WriteNextPiece()) {
  }
  // Rows a plan left out of its pieces make one more rather than being lost; cuts past the
  // rows the run turned out to have make pieces that cannot be written.
  if (job.piece_top < job.source_top) WritePiece(PlanCut{job.source_top, CutKind::End, {}});
  for (const PlanCut& cut : job.planned_cuts) {
    ImageFree(PieceImage);
    job.piece_rows.clear();
    job.next_cut_kind = cut.kind;
    SavePiece(PieceImage);
  }
  DropPlannedWork();
}

void DropPlannedWork() {
  SlicingJob& job = TheSlicingJob();
  job.planner.reset();
  job.planned_cuts.clear();
  job.piece_top = 0;
  job.source_top = 0;
  job.carry_top = 0;
  ImageFree(CarryImage);
}

}  // namespace slicing_detail
}  // namespace zen
