// Candidate cuts are nodes of a graph whose edges are pieces within [min, max]. Nodes are
// taken in row order; a node is taken once every row it can reach has been read, and
// offers pieces to the band rows in reach (or, with none, to the quietest row there). The
// cost of a path compares, in this order: rows by which pieces break the limits, forced
// cuts, cuts in narrow bands, gradients or between lines of text, cuts in bands not of the
// page's background (a flat sky, a dark narration band), then a soft sum of uneven heights
// and poor bands.
#include "planning/smart_planner.h"

#include <algorithm>
#include <limits>
#include <map>
#include <tuple>

#include "planning/band_tracker.h"
#include "planning/row_analysis.h"

namespace zen {
namespace {

// Soft weights, in units of one piece whose height is off the middle one by that height.
constexpr double kThinBandWeight = 4.0;   // times (MinGutter / the band's height) squared
constexpr double kOffMiddleWeight = 0.5;  // times the distance from the band's preferred row / its height
constexpr int kBandSteps = 8;             // candidate rows across a wide band
constexpr int kForcedChoices = 4;         // parts of a range without bands, each offering a row

struct Cost {
  int64_t violation = 0;  // rows by which a piece falls short of min
  int64_t forced = 0;
  int64_t narrow = 0;
  int64_t fill = 0;
  double soft = 0;

  Cost operator+(const Cost& o) const {
    return {violation + o.violation, forced + o.forced, narrow + o.narrow, fill + o.fill, soft + o.soft};
  }
  bool operator<(const Cost& o) const {
    return std::tie(violation, forced, narrow, fill, soft) < std::tie(o.violation, o.forced, o.narrow, o.fill, o.soft);
  }
};

struct Node {
  CutKind kind = CutKind::Gutter;
  PlanBand band;
  Cost own;  // what a cut here costs by itself
  Cost best;
  bool reached = false;
  bool processed = false;
  int64_t back = -1;
  int64_t depth = 0;
};

}  // namespace

using NodeAt = std::map<int64_t, Node>::iterator;

struct SmartPlanner::Search {
  PlannerLimits limits;
  double target = 1;  // the piece height the soft cost aims at
  BandTracker tracker;
  std::vector<BandShape> shapes;  // of the first bands, settled
  std::map<int64_t, Node> nodes;
  int64_t next_row = 0;  // every node above it has been taken
  bool finished = false;
  bool hurry = false;  // rows must be let go of: plan without looking past the reach
  int64_t settled = 0;
  std::vector<PlanCut> settled_cuts;

  explicit Search(PlannerLimits l) : limits(l) {
    limits.min = std::max<int64_t>(limits.min, 1);
    limits.max = std::max(limits.max, limits.min);
    limits.min_gutter = std::max(limits.min_gutter, 1);
    target = static_cast<double>(limits.min + limits.max) / 2.0;
    Restart(0);
  }

  void Restart(int64_t row) {
    nodes.clear();
    Node& start = nodes[row];
    start.reached = true;
    next_row = row;
  }

  bool Ready(int64_t row) const {
    if (finished) return true;
    const int64_t reach = row + limits.max;
    const int64_t open = tracker.OpenTop();
    return tracker.Rows() > reach + (hurry ? 0 : BandLookahead) && (open < 0 || open > reach);
  }

  void Advance() {
    for (auto it = nodes.lower_bound(next_row); it != nodes.end() && Ready(it->first);
         it = nodes.lower_bound(next_row)) {
      const int64_t row = it->first;
      Take(row);
      next_row = row + 1;
    }
  }

  Cost PieceCost(int64_t height) const {
    Cost cost;
    const double off = (static_cast<double>(height) - target) / target;
    cost.soft = off * off;
    if (height < limits.min) cost.violation = limits.min - height;
    return cost;
  }

  void Relax(Node& node, int64_t to, const Node& source, int64_t from) {
    const Cost cost = source.best + PieceCost(to - from) + node.own;
    if (node.reached && !(cost < node.best)) return;
    node.best = cost;
    node.reached = true;
    node.back = from;
    node.depth = source.depth + 1;
  }

  // What a band offers: its rank and the row a cut there keeps to.
  struct BandOffer {
    const Band* band = nullptr;
    bool narrow = false;
    bool fill = false;
    int64_t preferred = 0;
    int64_t first = 0, last = 0;  // the rows it offers
  };

  // The shape of band `index`, kept once the rows that settle it have been read (each
  // band is offered from many nodes).
  BandShape ShapeOf(size_t index) {
    if (index < shapes.size()) return shapes[index];
    const std::vector<Band>& bands = tracker.Bands();
    while (shapes.size() <= index && (finished || tracker.Rows() >= bands[shapes.size()].bottom + BandLookahead))
      shapes.push_back(tracker.ShapeOf(shapes.size()));
    return index < shapes.size() ? shapes[index] : tracker.ShapeOf(index);
  }

  BandOffer OfferOf(size_t index, int64_t from) {
    const Band& band = tracker.Bands()[index];
    const BandShape shape = ShapeOf(index);
    // A gutter split by ringing into bands each under MinGutter is as wide as its stretch.
    const bool narrow = shape.stretch_rows < limits.min_gutter || shape.line_gap || band.gradient;
    BandOffer offer{&band, narrow, false, band.Middle(), band.top, band.bottom};
    offer.fill = !tracker.IsBackgroundAt(band, std::max(from + limits.max, band.bottom));
    // Text set on the page has a margin as plain as the gutter beside it: keep to the half
    // of the band away from it, near the picture (an eighth of the band from it, at least
    // 4 rows and at most a quarter).
    const int64_t near_picture = std::min(band.Height() / 4, std::max<int64_t>(4, band.Height() / 8));
    if (shape.text_below && !shape.text_above) {
      offer.preferred = band.top + near_picture;
      offer.last = band.Middle();
    }
    if (shape.text_above && !shape.text_below) {
      offer.preferred = band.bottom - near_picture;
      offer.first = band.Middle();
    }
    return offer;
  }

  Cost BandCutCost(const BandOffer& offer, int64_t row) const {
    Cost cost;
    const double height = static_cast<double>(offer.band->Height());
    cost.narrow = offer.narrow ? 1 : 0;
    cost.fill = offer.fill ? 1 : 0;
    const double thin = limits.min_gutter / height;
    cost.soft = kThinBandWeight * thin * thin +
                kOffMiddleWeight * static_cast<double>(std::llabs(row - offer.preferred)) / height;
    return cost;
  }

  // The node at `row`, made when new. `at` is a position not past it, moved forward to it:
  // rows offered in order then cost no search of the whole map each.
  std::pair<NodeAt, bool> NodeOf(NodeAt& at, int64_t row) {
    while (at != nodes.end() && at->first < row) ++at;
    if (at != nodes.end() && at->first == row) return {at, false};
    at = nodes.emplace_hint(at, row, Node{});
    return {at, true};
  }

  void OfferBandRow(int64_t from, const Node& source, const BandOffer& offer, int64_t row, NodeAt& at) {
    auto [it, created] = NodeOf(at, row);
    if (created) {
      it->second.kind = CutKind::Gutter;
      it->second.band = PlanBand{offer.band->top, offer.band->bottom};
      it->second.own = BandCutCost(offer, row);
    }
    Relax(it->second, row, source, from);
  }

  // Pieces from `from` to the rows of bands within [lo, hi]; false when no band is there.
  bool OfferBandCuts(int64_t from, const Node& source, int64_t lo, int64_t hi) {
    const std::vector<Band>& bands = tracker.Bands();
    bool any = false;
    NodeAt at = nodes.lower_bound(lo);
    for (size_t i = tracker.FirstBandEndingAfter(lo - 1); i < bands.size() && bands[i].top <= hi; ++i) {
      const Band& band = bands[i];
      if (std::max(lo, band.top) > std::min(hi, band.bottom)) continue;
      any = true;
      const BandOffer offer = OfferOf(i, from);
      // The rows it offers where the reach allows, else any of it in reach.
      int64_t first = std::max(lo, offer.first), last = std::min(hi, offer.last);
      if (first > last) {
        first = std::max(lo, band.top);
        last = std::min(hi, band.bottom);
      }
      // Steps across it (unless it is narrow) and its preferred row, in row order.
      int64_t rows[kBandSteps + 2];
      size_t count = 0;
      for (int k = 0; k <= kBandSteps && band.Height() >= limits.min_gutter; ++k) {
        const int64_t row = band.top + band.Height() * k / kBandSteps;
        if (row >= first && row <= last) rows[count++] = row;
      }
      const int64_t preferred = std::clamp(offer.preferred, first, last);
      size_t place = count++;
      for (; place > 0 && rows[place - 1] > preferred; --place) rows[place] = rows[place - 1];
      rows[place] = preferred;
      for (size_t k = 0; k < count; ++k) OfferBandRow(from, source, offer, rows[k], at);
    }
    return any;
  }

  // Where no band is in reach, each part of the range offers its row nearest its middle
  // among those (nearly) as quiet as the quietest, so the path can still keep pieces even.
  void OfferForcedCuts(int64_t from, const Node& source, int64_t lo, int64_t hi) {
    const int64_t least = tracker.LeastDetail(lo, hi + 1);
    if (least < 0) return;
    const int64_t ceiling = least + least / 8 + 16;
    const int64_t span = hi + 1 - lo;
    for (int k = 0; k < kForcedChoices; ++k) {
      const int64_t part_lo = lo + span * k / kForcedChoices;
      const int64_t part_hi = lo + span * (k + 1) / kForcedChoices;
      const int64_t row = tracker.QuietRowNear(part_lo, part_hi, part_lo + (part_hi - part_lo) / 2, ceiling);
      if (row < 0) continue;
      auto [it, created] = nodes.try_emplace(row);
      if (created) {
        it->second.kind = CutKind::Forced;
        it->second.own.forced = 1;
      }
      Relax(it->second, row, source, from);
    }
  }

  void Take(int64_t row) {
    Node& node = nodes.at(row);
    node.processed = true;
    const int64_t end = tracker.Rows();
    if (!node.reached || (finished && row == end)) return;
    const int64_t lo = row + limits.min;
    const int64_t hi = finished ? std::min(row + limits.max, end - 1) : row + limits.max;
    if (lo <= hi && !OfferBandCuts(row, node, lo, hi)) OfferForcedCuts(row, node, lo, hi);
    if (finished && end - row <= limits.max) Relax(nodes.at(end), end, node, row);
  }

  // Processed, reached nodes through one of which every path still open must run.
  std::vector<int64_t> OpenFront() const {
    int64_t limit = tracker.Rows();
    if (tracker.OpenTop() >= 0) limit = std::min(limit, tracker.OpenTop());
    auto next = nodes.lower_bound(next_row);
    if (next != nodes.end()) limit = std::min(limit, next->first);
    std::vector<int64_t> front;
    for (auto it = nodes.lower_bound(std::max(settled, limit - limits.max)); it != nodes.end() && it->first < limit;
         ++it) {
      if (it->second.processed && it->second.reached) front.push_back(it->first);
    }
    return front;
  }

  // The last node the paths of all `rows` share, or -1.
  int64_t CommonAncestor(std::vector<int64_t> rows) const {
    if (rows.empty()) return -1;
    while (rows.size() > 1) {
      int64_t deepest = 0;
      for (int64_t row : rows) deepest = std::max(deepest, nodes.at(row).depth);
      for (int64_t& row : rows) {
        if (nodes.at(row).depth == deepest) row = nodes.at(row).back;
      }
      std::sort(rows.begin(), rows.end());
      rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    }
    return rows.front();
  }

  // Hands out the cuts on the path from the last settled cut to `to`.
  void SettleThrough(int64_t to) {
    std::vector<int64_t> path;
    for (int64_t row = to; row != settled && row >= 0; row = nodes.at(row).back) path.push_back(row);
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      const Node& node = nodes.at(*it);
      const bool end = finished && *it == tracker.Rows();
      settled_cuts.push_back(PlanCut{*it, end ? CutKind::End : node.kind, end ? PlanBand{} : node.band});
    }
    settled = to;
    nodes.erase(nodes.begin(), nodes.lower_bound(settled));
  }

  void Settle() {
    Advance();
    if (finished) {
      const int64_t end = tracker.Rows();
      if (end > settled && nodes.count(end) && nodes.at(end).reached) SettleThrough(end);
      return;
    }
    const int64_t common = CommonAncestor(OpenFront());
    if (common > settled) SettleThrough(common);
  }

  // The open node to settle on when rows must be let go of: the cheapest path so far. Any
  // of them leaves at most twice the maximum height unsettled.
  int64_t ChooseOpenNode() const {
    int64_t chosen = -1;
    for (int64_t row : OpenFront()) {
      if (chosen < 0 || nodes.at(row).best < nodes.at(chosen).best) chosen = row;
    }
    return chosen;
  }
};

SmartPlanner::SmartPlanner(PlannerLimits limits) : search_(std::make_unique<Search>(limits)) {}

SmartPlanner::~SmartPlanner() = default;

void SmartPlanner::AddRows(const uint8_t* rgba, int32_t width, int64_t count, size_t stride) {
  if (search_->finished) return;
  for (int64_t i = 0; i < count; ++i) search_->tracker.Add(AnalyseRow(rgba + static_cast<size_t>(i) * stride, width));
  search_->Advance();
}

void SmartPlanner::Finish() {
  Search& s = *search_;
  if (s.finished) return;
  s.tracker.CloseOpenBand();
  s.finished = true;
  const int64_t end = s.tracker.Rows();
  if (end <= 0) return;
  Node& last = s.nodes[end];
  last.kind = CutKind::End;
  s.Settle();
}

void SmartPlanner::LimitUnsettled(int64_t rows) {
  Search& s = *search_;
  if (s.finished || s.tracker.Rows() - s.settled <= rows) return;
  s.tracker.CloseOpenBand();
  s.hurry = true;
  s.Settle();
  s.hurry = false;
  if (s.tracker.Rows() - s.settled <= rows) return;
  const int64_t chosen = s.ChooseOpenNode();
  if (chosen <= s.settled) return;
  s.SettleThrough(chosen);
  s.Restart(chosen);
}

std::vector<PlanCut> SmartPlanner::TakeSettledCuts() {
  search_->Settle();
  std::vector<PlanCut> cuts;
  cuts.swap(search_->settled_cuts);
  return cuts;
}

int64_t SmartPlanner::RowsSeen() const { return search_->tracker.Rows(); }

int64_t SmartPlanner::SettledRow() const { return search_->settled; }

}  // namespace zen
