#pragma once
// A palette learnt with the NeuQuant neural-network quantizer (Kohonen network, Dekker
// 1994) in four channels (red, green, blue, alpha), learning in a gamma-corrected space.
#include <array>
#include <cstdint>
#include <vector>

#include "imaging/image_table.h"

namespace zen {

using PaletteEntry = std::array<uint8_t, 4>;  // R, G, B, A

class NeuQuant {
 public:
  // colours: the network size (2 to 256).
  NeuQuant(int colours, double gamma);

  // Learns from the pixels, sampling one in sample_factor (1 to 30). When composite
  // is set, each pixel is taken as its colour over white with alpha 255.
  void Learn(const NativeImage& image, int sample_factor, bool composite);

  // The learnt colours, as plain (not gamma-corrected) values.
  const std::vector<PaletteEntry>& Palette() const { return palette_; }

  // Index of the palette colour nearest to the given one.
  int Nearest(const PaletteEntry& colour);

 private:
  struct Neuron {
    double c[4];  // R, G, B, A in the learning space
  };
  int Contest(const double* pixel);
  void MoveNeuron(int index, double rate, const double* pixel);
  void MoveNeighbours(int radius, int index, const double* pixel);
  void BuildPalette();

  int size_;
  double gamma_;
  std::vector<Neuron> network_;
  std::vector<double> bias_;
  std::vector<double> freq_;
  std::vector<double> radius_power_;
  double to_learning_[256];
  std::vector<PaletteEntry> palette_;
  // Nearest-colour answers for recently seen colours.
  std::vector<uint64_t> cache_;
};

}  // namespace zen
