#include "imaging/resize_weights.h"

#include <algorithm>
#include <cmath>

namespace zen::resize {

double MitchellKernel(double x) {
  if (x < 1.0) return (1.1666666666666667 * x - 2.0) * x * x + 0.8888888888888888;
  if (x < 2.0) return ((-0.38888888888888884 * x + 2.0) * x - 3.3333333333333335) * x + 1.7777777777777777;
  return 0.0;
}

namespace {

struct PassGeometry {
  double scale;    // m / n
  double radius;   // support in source samples
  int64_t taps;    // the most source samples one output may read
  double stretch;  // kernel argument scale, min(scale, 1)
};

PassGeometry GeometryOf(int32_t n, int32_t m) {
  PassGeometry g{};
  g.scale = static_cast<double>(m) / static_cast<double>(n);
  g.radius = g.scale < 1.0 ? 2.0 / g.scale : 2.0;
  g.taps = 2 * static_cast<int64_t>(std::ceil(g.radius)) + 1;
  g.stretch = std::min(g.scale, 1.0);
  return g;
}

// The full window of output i, normalised, before the zero ends are dropped.
int64_t WindowOf(const PassGeometry& g, int32_t n, int32_t i, std::vector<double>& w) {
  const double centre = 0.5 / g.scale - 0.5 + static_cast<double>(i) / g.scale;
  int64_t first = std::max(static_cast<int64_t>(std::floor(centre - g.radius)), int64_t{0});
  const int64_t last = std::min(static_cast<int64_t>(std::ceil(centre + g.radius)), int64_t{n} - 1);
  if (last - first >= g.taps) ++first;
  w.clear();
  double sum = 0.0;
  for (int64_t k = first; k <= last; ++k) {
    const double x = (centre - static_cast<double>(k)) * g.stretch;
    const double weight = MitchellKernel(std::fabs(x)) * g.stretch;
    w.push_back(weight);
    sum += weight;
  }
  if (sum > 0.0 && sum != 1.0) {
    for (double& weight : w) weight /= sum;
  }
  return first;
}

void AppendTrimmed(WeightTable& table, int64_t first, const std::vector<double>& w) {
  size_t lo = 0;
  size_t hi = w.size();
  while (lo < hi && w[lo] == 0.0) ++lo;
  while (hi > lo && w[hi - 1] == 0.0) --hi;
  if (lo == hi) {  // all zero: an empty window, the sum stays 0
    first = 0;
    lo = hi = 0;
  }
  table.first.push_back(static_cast<int32_t>(first + static_cast<int64_t>(lo)));
  table.count.push_back(static_cast<int32_t>(hi - lo));
  table.offset.push_back(table.weights.size());
  table.weights.insert(table.weights.end(), w.begin() + static_cast<std::ptrdiff_t>(lo),
                       w.begin() + static_cast<std::ptrdiff_t>(hi));
}

void BuildPaddedWindows(WeightTable& t) {
  int32_t taps = 1;
  for (int32_t c : t.count) taps = std::max(taps, c);
  taps = std::min(taps, t.source_count);
  t.taps = taps;
  t.padded_start.resize(static_cast<size_t>(t.output_count));
  t.padded_weights.assign(static_cast<size_t>(t.output_count) * static_cast<size_t>(taps), 0.0);
  for (int32_t i = 0; i < t.output_count; ++i) {
    const size_t ui = static_cast<size_t>(i);
    const int32_t start = std::min(t.first[ui], t.source_count - taps);
    t.padded_start[ui] = start;
    double* row = &t.padded_weights[ui * static_cast<size_t>(taps)];
    const int32_t skip = t.first[ui] - start;
    for (int32_t k = 0; k < t.count[ui]; ++k) row[skip + k] = t.weights[t.offset[ui] + static_cast<size_t>(k)];
  }
}

}  // namespace

WeightTable BuildWeightTable(int32_t n, int32_t m) {
  WeightTable table;
  table.source_count = n;
  table.output_count = m;
  const PassGeometry g = GeometryOf(n, m);
  const size_t outputs = static_cast<size_t>(m);
  table.first.reserve(outputs);
  table.count.reserve(outputs);
  table.offset.reserve(outputs);
  std::vector<double> window;
  window.reserve(static_cast<size_t>(std::min<int64_t>(g.taps, n)) + 1);
  for (int32_t i = 0; i < m; ++i) {
    const int64_t first = WindowOf(g, n, i, window);
    AppendTrimmed(table, first, window);
  }
  BuildPaddedWindows(table);
  return table;
}

}  // namespace zen::resize
