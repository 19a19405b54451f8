// Cut detection: pieces end in gutters, rows of one plain colour. Each step scans one
// segment of content; the step that reaches the bottom of the source shares out the
// gutters between neighbouring pieces and writes them all.
#include <algorithm>
#include <cstdlib>

#include "imaging/image_table.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"

namespace zen {
namespace {

using namespace slicing_detail;

bool Differs(Colour a, Colour b, int t) {
  return std::abs(static_cast<int>(ColourRed(a)) - static_cast<int>(ColourRed(b))) > t ||
         std::abs(static_cast<int>(ColourGreen(a)) - static_cast<int>(ColourGreen(b))) > t ||
         std::abs(static_cast<int>(ColourBlue(a)) - static_cast<int>(ColourBlue(b))) > t;
}

// Scans rows from CursorY, one at a time, until the current segment is done.
void ScanOneSegment() {
  SlicingJob& job = TheSlicingJob();
  std::vector<Segment>& segments = job.segment_list;
  segments.push_back(Segment{});
  const int64_t last_row = job.source_height - 1;
  bool done = false;
  while (!done) {
    Segment& segment = segments.back();
    const bool uniform = RowIsUniform(UniformTolerance);
    if (!uniform && !segment.in_content) {
      segment.start = static_cast<int32_t>(job.cursor_y);
      segment.in_content = true;
    }
    if (uniform && segment.in_content && job.cursor_y - segment.start >= job.settings.auto_slice_min) {
      segment.end = static_cast<int32_t>(job.cursor_y);
      done = true;
    }
    if (job.cursor_y >= last_row) {
      // Blank rows at the bottom belong to the piece above them.
      if (segment.start == -1) {
        if (segments.size() > 1) {
          segments.pop_back();
        } else {
          segment.start = 0;
        }
      }
      segments.back().end = static_cast<int32_t>(job.source_height);
      job.last_row_uniform = uniform;
      done = true;
    }
    ++job.cursor_y;
  }
}

// Shares the gap between segments i and j = i + 1 out between them, so that they meet.
void FixBoundary(Segment& upper_segment, Segment& lower_segment) {
  const int64_t max = TheSlicingJob().settings.auto_slice_max;
  const int64_t upper = upper_segment.end - upper_segment.start;
  const int64_t lower = lower_segment.end - lower_segment.start;
  const int64_t gap = lower_segment.start - upper_segment.end;
  int64_t up = (gap + 1) / 2;
  int64_t down = gap / 2;
  if (upper + up > max) {
    up = std::max<int64_t>(max - upper, 0);
    down = gap - up;
  }
  if (lower + down > max && max - upper > 0) {
    up = std::min(max - upper, gap);
    down = gap - up;
  }
  lower_segment.start = static_cast<int32_t>(lower_segment.start - down);
  upper_segment.end = static_cast<int32_t>(upper_segment.end + up);
}

void GrabRows(ImageId target, int64_t start, int64_t end) {
  const SlicingJob& job = TheSlicingJob();
  ImageGrab(SourceImage, target, 0, static_cast<int32_t>(start), static_cast<int32_t>(job.source_width),
            static_cast<int32_t>(end - start));
}

// The leftover's full height (the table's 16-bit size query cannot show it past 32767).
int64_t LeftoverHeight() {
  const NativeImage* leftover = ImageNativeObject(PieceImage);
  return leftover ? leftover->height : 0;
}

// A leftover carried through many strips without a gutter would grow past the heights
// the image store can report; before that, it is written as a piece of its own.
void FlushLeftoverThatWouldOverflow(int64_t rows) {
  if (TheSlicingJob().pending_leftover && LeftoverHeight() + rows > 32767) FlushLeftover();
}

// Joins rows [start, end) of the source under the leftover held in PieceImage; the result
// is JoinedImage. The leftover is copied away before PieceImage is reused for the rows.
void JoinUnderLeftover(int64_t start, int64_t end) {
  const SlicingJob& job = TheSlicingJob();
  const auto leftover_height = static_cast<int32_t>(LeftoverHeight());
  ImageCopy(PieceImage, BandImage);
  ImageCreate(JoinedImage, static_cast<int32_t>(job.source_width), static_cast<int32_t>(end - start + leftover_height));
  GrabRows(PieceImage, start, end);
  if (DrawingStart(ImageDrawTarget(JoinedImage))) {
    if (const NativeImage* leftover = ImageNativeObject(BandImage)) DrawImageOverWhiteAt(leftover, 0, 0);
    if (const NativeImage* piece = ImageNativeObject(PieceImage)) DrawImageOverWhiteAt(piece, 0, leftover_height);
    DrawingStop();
  }
  ImageFree(BandImage);
}

// A piece of rows [start, end) that is not the source's last; its cut lies in the gutter
// [gap_top, gap_bottom).
void WriteInnerPiece(int64_t start, int64_t end, int64_t gap_top, int64_t gap_bottom) {
  SlicingJob& job = TheSlicingJob();
  FlushLeftoverThatWouldOverflow(end - start);
  AddPieceRows(start, end - start);
  SetNextCut(CutKind::Gutter, gap_top, gap_bottom);
  if (!job.pending_leftover) {
    GrabRows(PieceImage, start, end);
    SavePiece(PieceImage);
    return;
  }
  JoinUnderLeftover(start, end);
  job.pending_leftover = false;
  SavePiece(JoinedImage);
  ImageFree(JoinedImage);
}

// The source's last piece: written, or kept as the leftover when a strip ends inside a
// panel, to be joined on top of the next strip's first piece.
void WriteLastPiece(int64_t start, int64_t end) {
  SlicingJob& job = TheSlicingJob();
  FlushLeftoverThatWouldOverflow(end - start);
  AddPieceRows(start, end - start);
  ImageId piece = PieceImage;
  if (job.pending_leftover) {
    JoinUnderLeftover(start, end);
    job.pending_leftover = false;
    piece = JoinedImage;
  } else {
    GrabRows(PieceImage, start, end);
  }
  if (job.strip_index == -1 || job.last_row_uniform) {
    SavePiece(piece);
  } else {
    if (piece == JoinedImage) ImageCopy(JoinedImage, PieceImage);
    job.pending_leftover = true;
  }
  ImageFree(JoinedImage);
}

void CutScannedSource() {
  SlicingJob& job = TheSlicingJob();
  std::vector<Segment>& segments = job.segment_list;
  segments.front().start = 0;
  for (size_t i = 0; i + 1 < segments.size(); ++i) {
    const int64_t gap_top = segments[i].end;
    const int64_t gap_bottom = segments[i + 1].start;
    FixBoundary(segments[i], segments[i + 1]);
    WriteInnerPiece(segments[i].start, segments[i].end, gap_top, gap_bottom);
  }
  WriteLastPiece(segments.back().start, segments.back().end);
  if (!job.pending_leftover) ImageFree(PieceImage);
  segments.clear();
}

}  // namespace

bool RowIsUniform(int t) {
  const SlicingJob& job = TheSlicingJob();
  const auto row = static_cast<int32_t>(job.cursor_y);
  const Colour reference = PixelRead(0, row);
  for (int64_t x = 1; x <= job.source_width - 1; x += 2) {
    if (Differs(PixelRead(static_cast<int32_t>(x), row), reference, t)) return false;
  }
  return true;
}

void CutDetectStep() {
  SlicingJob& job = TheSlicingJob();
  if (!DrawingStart(ImageDrawTarget(SourceImage))) return;
  ScanOneSegment();
  DrawingStop();
  if (job.cursor_y < job.source_height) return;
  CutScannedSource();
  EndSource();
}

namespace slicing_detail {

void FlushLeftover() {
  SlicingJob& job = TheSlicingJob();
  if (!job.pending_leftover) return;
  job.pending_leftover = false;
  SetNextCut(CutKind::Forced, 0, 0);  // it ends where a strip ended, in no gutter
  SavePiece(PieceImage);
  ImageFree(PieceImage);
}

}  // namespace slicing_detail
}  // namespace zen
