#pragma once
// A cut plan: where the pieces of each run end. A run is what is cut as one continuous
// image (one source, its converter strips, or the consecutive files of one folder when
// they are joined); its rows count from the top of its first file, as loaded and resized.
// Planners make plans, the job writes pieces at their cuts, and the batch report, the
// preview picture and the review window show them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zen {

enum class CutKind : uint8_t {
  Gutter,  // in a band of plain rows
  Forced,  // no band within reach: the quietest row there
  Fixed,   // at a row given by a height or by hand
  End,     // the run's last row: the end of its last piece
};

std::string_view CutKindName(CutKind kind);  // "gutter", "forced", "fixed", "end"
std::optional<CutKind> CutKindFromName(std::string_view name);

// Rows [top, bottom) of the plain band a cut lies in; empty when it lies in none.
struct PlanBand {
  int64_t top = 0;
  int64_t bottom = 0;
  bool Empty() const { return bottom <= top; }
  bool operator==(const PlanBand&) const = default;
};

// A piece ends just above `row`: the piece holds the rows from the previous cut (or 0) up
// to row - 1, and the next one starts at row.
struct PlanCut {
  int64_t row = 0;
  CutKind kind = CutKind::Fixed;
  PlanBand band;
  bool operator==(const PlanCut&) const = default;
};

struct PlanFile {
  int64_t list_row = -1;  // its row in the source list, -1 when unknown
  std::u16string path;
  int64_t top = 0;  // first row of the run that it holds
  int64_t rows = 0;
  int32_t width = 0;
};

struct PlanRun {
  std::vector<PlanFile> files;
  std::vector<PlanCut> cuts;  // strictly rising rows; the last one is the run's end
  int64_t Rows() const { return files.empty() ? 0 : files.back().top + files.back().rows; }
  // Heights of the pieces, in order.
  std::vector<int64_t> PieceHeights() const;
  // The file holding a row of the run, or null.
  const PlanFile* FileAt(int64_t row) const;
};

struct CutPlan {
  std::vector<PlanRun> runs;
};

}  // namespace zen
