// The NeuQuant learning loop: each sampled pixel pulls its best-matching neuron (and,
// while the radius lasts, that neuron's neighbours) towards itself; a bias term keeps
// rarely winning neurons in play. Learning rate and radius decay over 100 cycles.
#include "imaging/neuquant.h"

#include <algorithm>
#include <cmath>

#include "imaging/codec_registry.h"

namespace zen {
namespace {

constexpr int kCycles = 100;
constexpr int kRadiusDecrease = 30;
constexpr double kBeta = 1.0 / 1024;  // how fast win frequencies follow
constexpr double kBetaGamma = 1.0;    // bias given for a win
// Pixel steps that keep the samples spread over the whole image.
constexpr int kPrimes[4] = {499, 491, 487, 503};
constexpr size_t kCacheSize = 1 << 16;

uint8_t ClampByte(double v) { return static_cast<uint8_t>(std::clamp(std::lround(v), 0L, 255L)); }

uint32_t PackColour(const PaletteEntry& c) {
  return static_cast<uint32_t>(c[0]) | static_cast<uint32_t>(c[1]) << 8 | static_cast<uint32_t>(c[2]) << 16 |
         static_cast<uint32_t>(c[3]) << 24;
}

}  // namespace

NeuQuant::NeuQuant(int colours, double gamma)
    : size_(std::clamp(colours, 2, 256)),
      gamma_(gamma),
      network_(static_cast<size_t>(size_)),
      bias_(static_cast<size_t>(size_), 0.0),
      freq_(static_cast<size_t>(size_), 1.0 / size_),
      radius_power_(static_cast<size_t>(size_ / 8 + 1), 0.0),
      cache_(kCacheSize, ~uint64_t{0}) {
  for (int v = 0; v < 256; ++v) to_learning_[v] = 255.0 * std::pow(v / 255.0, 1.0 / gamma_);
  // A grey ramp; the first 16 neurons start with rising alpha for dark transparent pixels.
  for (int i = 0; i < size_; ++i) {
    Neuron& n = network_[static_cast<size_t>(i)];
    n.c[0] = n.c[1] = n.c[2] = to_learning_[i * 256 / size_];
    n.c[3] = i < 16 ? i * 16.0 : 255.0;
  }
  BuildPalette();
}

int NeuQuant::Contest(const double* pixel) {
  double best = 1e30;
  double best_biased = 1e30;
  int best_index = 0;
  int best_biased_index = 0;
  for (int i = 0; i < size_; ++i) {
    const double* c = network_[static_cast<size_t>(i)].c;
    const double dist = std::fabs(c[0] - pixel[0]) + std::fabs(c[1] - pixel[1]) + std::fabs(c[2] - pixel[2]) +
                        std::fabs(c[3] - pixel[3]);
    if (dist < best) best = dist, best_index = i;
    const double biased = dist - bias_[static_cast<size_t>(i)];
    if (biased < best_biased) best_biased = biased, best_biased_index = i;
    const double change = freq_[static_cast<size_t>(i)] * kBeta;
    freq_[static_cast<size_t>(i)] -= change;
    bias_[static_cast<size_t>(i)] += change * 1024.0;
  }
  freq_[static_cast<size_t>(best_index)] += kBeta;
  bias_[static_cast<size_t>(best_index)] -= kBetaGamma;
  return best_biased_index;
}

void NeuQuant::MoveNeuron(int index, double rate, const double* pixel) {
  double* c = network_[static_cast<size_t>(index)].c;
  for (int k = 0; k < 4; ++k) c[k] -= rate * (c[k] - pixel[k]);
}

void NeuQuant::MoveNeighbours(int radius, int index, const double* pixel) {
  const int low = std::max(index - radius, -1);
  const int high = std::min(index + radius, size_);
  int up = index + 1;
  int down = index - 1;
  for (size_t m = 1; up < high || down > low; ++m) {
    const double rate = radius_power_[m];
    if (up < high) MoveNeuron(up++, rate, pixel);
    if (down > low) MoveNeuron(down--, rate, pixel);
  }
}

void NeuQuant::Learn(const NativeImage& image, int sample_factor, bool composite) {
  const size_t pixels = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
  if (pixels == 0) return;
  if (pixels < static_cast<size_t>(kPrimes[3])) sample_factor = 1;
  sample_factor = std::clamp(sample_factor, 1, 30);
  const size_t samples = pixels / static_cast<size_t>(sample_factor);
  size_t delta = std::max<size_t>(samples / kCycles, 1);
  const double alpha_decrease = 30 + (sample_factor - 1) / 3.0;
  size_t step = static_cast<size_t>(kPrimes[3]);
  for (int prime : kPrimes) {
    if (pixels % static_cast<size_t>(prime) != 0) {
      step = static_cast<size_t>(prime);
      break;
    }
  }
  double rate = 1.0;
  double radius = size_ / 8.0;
  auto set_radius_power = [&](int rad) {
    for (int i = 0; i < rad; ++i) radius_power_[static_cast<size_t>(i)] = rate * (rad * rad - i * i) / (rad * rad);
  };
  int rad = static_cast<int>(radius) <= 1 ? 0 : static_cast<int>(radius);
  set_radius_power(rad);
  const uint8_t* data = image.pixels.get();
  size_t position = 0;
  for (size_t i = 0; i < samples;) {
    const uint8_t* p = data + position * 4;
    const uint32_t a = composite ? 255 : p[3];
    const double pixel[4] = {to_learning_[composite ? OverWhite(p[0], p[3]) : p[0]],
                             to_learning_[composite ? OverWhite(p[1], p[3]) : p[1]],
                             to_learning_[composite ? OverWhite(p[2], p[3]) : p[2]], static_cast<double>(a)};
    const int winner = Contest(pixel);
    MoveNeuron(winner, rate, pixel);
    if (rad > 0) MoveNeighbours(rad, winner, pixel);
    position = (position + step) % pixels;
    ++i;
    if (i % delta == 0) {
      rate -= rate / alpha_decrease;
      radius -= radius / kRadiusDecrease;
      rad = static_cast<int>(radius) <= 1 ? 0 : static_cast<int>(radius);
      set_radius_power(rad);
    }
  }
  BuildPalette();
}

void NeuQuant::BuildPalette() {
  palette_.resize(static_cast<size_t>(size_));
  for (size_t i = 0; i < palette_.size(); ++i) {
    const double* c = network_[i].c;
    for (int k = 0; k < 3; ++k)
      palette_[i][static_cast<size_t>(k)] = ClampByte(255.0 * std::pow(std::clamp(c[k], 0.0, 255.0) / 255.0, gamma_));
    palette_[i][3] = ClampByte(c[3]);
  }
  std::fill(cache_.begin(), cache_.end(), ~uint64_t{0});
}

int NeuQuant::Nearest(const PaletteEntry& colour) {
  const uint32_t key = PackColour(colour);
  uint64_t& slot = cache_[(key * 2654435761u) >> 16 & (kCacheSize - 1)];
  if ((slot >> 32) == key && slot != ~uint64_t{0}) return static_cast<int>(slot & 0xFFFF);
  int best = 0;
  int best_dist = 1 << 30;
  for (size_t i = 0; i < palette_.size(); ++i) {
    int dist = 0;
    for (size_t k = 0; k < 4; ++k) {
      const int d = static_cast<int>(palette_[i][k]) - static_cast<int>(colour[k]);
      dist += d * d;
    }
    if (dist < best_dist) best_dist = dist, best = static_cast<int>(i);
  }
  slot = static_cast<uint64_t>(key) << 32 | static_cast<uint32_t>(best);
  return best;
}

}  // namespace zen
