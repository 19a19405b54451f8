#include "planning/cut_plan.h"

#include <array>

namespace zen {
namespace {

constexpr std::array<std::string_view, 4> kKindNames = {"gutter", "forced", "fixed", "end"};

}  // namespace

std::string_view CutKindName(CutKind kind) { return kKindNames[static_cast<size_t>(kind)]; }

std::optional<CutKind> CutKindFromName(std::string_view name) {
  for (size_t i = 0; i < kKindNames.size(); ++i) {
    if (kKindNames[i] == name) return static_cast<CutKind>(i);
  }
  return std::nullopt;
}

std::vector<int64_t> PlanRun::PieceHeights() const {
  std::vector<int64_t> heights;
  int64_t top = 0;
  for (const PlanCut& cut : cuts) {
    heights.push_back(cut.row - top);
    top = cut.row;
  }
  return heights;
}

const PlanFile* PlanRun::FileAt(int64_t row) const {
  for (const PlanFile& file : files) {
    if (row >= file.top && row < file.top + file.rows) return &file;
  }
  return nullptr;
}

}  // namespace zen
