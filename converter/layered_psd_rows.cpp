#include "converter/layered_psd_rows.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "converter/blend_modes.h"
#include "converter/composite_refusal.h"
#include "converter/layer_channel_rows.h"
#include "converter/layer_groups.h"
#include "converter/layer_masks.h"
#include "converter/psd_layer_records.h"
#include "interchange/pixel_rules.h"

namespace zen {
namespace {

// Colour planes and an alpha plane across the canvas width.
struct RowBuffer {
  std::vector<float> samples;
  RowPlanes planes;
  void Allocate(int channels, uint32_t width) {
    samples.assign(uint64_t(channels + 1) * width, 0.0f);
    for (int k = 0; k < channels; ++k) planes.colour[k] = samples.data() + uint64_t(k) * width;
    planes.alpha = samples.data() + uint64_t(channels) * width;
  }
  void Clear() { std::fill(samples.begin(), samples.end(), 0.0f); }
};

// One visible layer or group with its readers and row buffers.
struct PaintNode {
  const PsdLayerRecord* record = nullptr;
  bool group = false;
  bool solid = false;  // a solid-colour fill drawn from its colour
  std::vector<std::unique_ptr<PaintNode>> children;
  std::vector<std::unique_ptr<PaintNode>> clipped;
  std::vector<std::unique_ptr<LayerChannelRows>> colour;  // pixel layers
  std::unique_ptr<LayerChannelRows> transparency;         // null: opaque inside the rectangle
  int64_t next_layer_row = 0;
  LayerMaskRows mask;
  RowBuffer own;    // colour and shape (a group's isolated result)
  RowBuffer extra;  // a clipping run's result, or the backdrop a pass-through group changes
};

class LayeredPsdRows final : public RowSource {
 public:
  LayeredPsdRows(ByteSource& source, const PsdLayout& layout) : source_(source), header_(layout.header) {}
  bool Build(const PsdLayout& layout, std::string& error);
  uint32_t Width() const override { return header_.width; }
  uint32_t Height() const override { return header_.height; }
  bool ReadRow(uint8_t* bgr) override;

 private:
  bool Prepare(const LayerNode& node, PaintNode& paint, std::string& error);
  bool OpenPixels(const PsdLayerRecord& r, PaintNode& paint, std::string& error);
  // Counts row memory against the budget; false (with the error) once it is spent.
  bool Reserve(uint64_t bytes, std::string& error);
  bool Source(PaintNode& node, uint32_t& begin, uint32_t& end);
  bool PixelSource(PaintNode& node, uint32_t& begin, uint32_t& end);
  bool Paint(PaintNode& node, const RowPlanes& backdrop);
  bool PaintPassThrough(PaintNode& node, const RowPlanes& backdrop);
  void OverWhite(uint8_t* bgr) const;

  ByteSource& source_;
  PsdHeader header_;
  int channels_ = 3;
  bool clamp_ = true;
  std::vector<PsdLayerRecord> records_;
  PaintNode root_;
  uint32_t y_ = 0;
  std::string error_;
  uint64_t reserved_ = 0;
};

// Row buffers of every layer together: far beyond any real page (8000 layers 690 wide
// take about a tenth), small enough that a file claiming huge layers is refused.
constexpr uint64_t kRowBudget = 512ull << 20;
// No layer or mask may be larger than the largest document.
constexpr uint32_t kMaxSide = 300000;

bool LayeredPsdRows::Reserve(uint64_t bytes, std::string& error) {
  reserved_ += bytes;
  if (reserved_ <= kRowBudget) return true;
  error = "PSD: the layers need more than " + std::to_string(kRowBudget >> 20) + " MiB of row buffers";
  return false;
}

int ColourChannelsOf(uint16_t mode) { return mode == PsdRgb ? 3 : mode == PsdCmyk ? 4 : 1; }

bool LayeredPsdRows::Prepare(const LayerNode& node, PaintNode& paint, std::string& error) {
  paint.record = node.record;
  paint.group = node.IsGroup();
  const uint64_t plane_bytes = uint64_t(channels_ + 1) * Width() * sizeof(float);
  if (!Reserve(2 * plane_bytes, error)) return false;
  paint.own.Allocate(channels_, Width());
  for (const LayerNode& child : node.children) {
    paint.children.push_back(std::make_unique<PaintNode>());
    if (!Prepare(child, *paint.children.back(), error)) return false;
  }
  for (const LayerNode& child : node.clipped) {
    paint.clipped.push_back(std::make_unique<PaintNode>());
    if (!Prepare(child, *paint.clipped.back(), error)) return false;
  }
  if (!node.clipped.empty() || (paint.group && node.record && node.record->mode == BlendMode::PassThrough)) {
    paint.extra.Allocate(channels_, Width());
  }
  if (!node.record) return true;
  const PsdLayerRecord& r = *node.record;
  if (r.mask.rect.Width() > kMaxSide || r.mask.rect.Height() > kMaxSide ||
      !Reserve(uint64_t{r.mask.rect.Width()} * 8, error)) {
    if (error.empty()) error = "PSD: the mask of layer \"" + r.name + "\" is larger than any document";
    return false;
  }
  if (!paint.mask.Open(source_, r, header_, error)) return false;
  if (paint.group) return true;
  paint.solid = r.fill == PsdFillKind::Solid && !LayerHasPixels(r);
  return !LayerHasPixels(r) || OpenPixels(r, paint, error);
}

// The readers of a layer's colour channels and of its transparency, if it has one.
bool LayeredPsdRows::OpenPixels(const PsdLayerRecord& r, PaintNode& paint, std::string& error) {
  const LayerChannelShape shape{r.rect.Width(), r.rect.Height(), header_.depth, header_.large};
  if (shape.width > kMaxSide || shape.rows > kMaxSide) {
    error = "PSD: layer \"" + r.name + "\" is larger than any document";
    return false;
  }
  if (!Reserve(uint64_t(channels_ + 1) * shape.width * 4, error)) return false;
  for (int k = -1; k < channels_; ++k) {
    const PsdChannelData* data = r.Channel(static_cast<int16_t>(k));
    if (!data) {
      if (k < 0) continue;
      error = "PSD: layer \"" + r.name + "\" lacks colour channel " + std::to_string(k);
      return false;
    }
    auto rows = std::make_unique<LayerChannelRows>();
    if (!rows->Open(source_, data->offset, data->length, shape, error)) return false;
    if (k < 0)
      paint.transparency = std::move(rows);
    else
      paint.colour.push_back(std::move(rows));
  }
  return true;
}

bool LayeredPsdRows::Build(const PsdLayout& layout, std::string& error) {
  channels_ = ColourChannelsOf(header_.mode);
  clamp_ = header_.depth != 32;
  if (!ReadPsdLayerRecords(source_, layout, records_, error)) return false;
  LayerNode tree;
  std::string refusal;
  if (!BuildLayerTree(records_, header_, tree, refusal, error)) {
    if (!refusal.empty()) error = CompositeRefusal(refusal);
    return false;
  }
  return Prepare(tree, root_, error);
}

// The layer's colour and shape (transparency) on this row, over [begin, end) of the canvas.
bool LayeredPsdRows::PixelSource(PaintNode& node, uint32_t& begin, uint32_t& end) {
  const PsdRect& rect = node.record->rect;
  const int64_t row = int64_t{y_} - rect.top;
  begin = static_cast<uint32_t>(std::clamp<int64_t>(rect.left, 0, Width()));
  end = static_cast<uint32_t>(std::clamp<int64_t>(rect.right, 0, Width()));
  if (row < 0 || row >= rect.Height() || begin >= end) {
    begin = end = 0;
    return true;
  }
  const uint32_t from = static_cast<uint32_t>(begin - rect.left), to = static_cast<uint32_t>(end - rect.left);
  auto advance = [&](LayerChannelRows& rows) {
    for (int64_t skip = node.next_layer_row; skip < row; ++skip) {
      if (!rows.SkipRow(error_)) return false;
    }
    return true;
  };
  float* shape = node.own.planes.alpha;
  bool shows = true;
  if (node.transparency) {
    if (!advance(*node.transparency) || !node.transparency->NextRow(error_)) return false;
    shows = !node.transparency->RowIsZero(from, to);
    if (shows) node.transparency->RowToFloat(from, to, shape + begin);
    if (shows && clamp_) std::for_each(shape + begin, shape + end, [](float& a) { a = std::clamp(a, 0.0f, 1.0f); });
  } else {
    std::fill(shape + begin, shape + end, 1.0f);
  }
  // A row where the layer is wholly transparent is passed over in its colour channels.
  for (int k = 0; k < channels_; ++k) {
    LayerChannelRows& rows = *node.colour[k];
    if (!advance(rows)) return false;
    if (!shows) {
      if (!rows.SkipRow(error_)) return false;
    } else if (rows.NextRow(error_)) {
      rows.RowToFloat(from, to, node.own.planes.colour[k] + begin);
    } else {
      return false;
    }
  }
  if (!shows) begin = end = 0;
  node.next_layer_row = row + 1;
  return true;
}

// Fills node.own with the node's colour and shape (before its mask) over [begin, end).
bool LayeredPsdRows::Source(PaintNode& node, uint32_t& begin, uint32_t& end) {
  const RowPlanes& own = node.own.planes;
  if (node.group) {
    node.own.Clear();
    for (auto& child : node.children) {
      if (!Paint(*child, own)) return false;
    }
    begin = 0;
    end = Width();
  } else if (node.solid) {
    for (int k = 0; k < channels_; ++k) std::fill(own.colour[k], own.colour[k] + Width(), node.record->fill_colour[k]);
    std::fill(own.alpha, own.alpha + Width(), 1.0f);
    begin = 0;
    end = Width();
  } else if (node.colour.empty()) {
    begin = end = 0;
  } else if (!PixelSource(node, begin, end)) {
    return false;
  }
  return true;
}

bool LayeredPsdRows::Paint(PaintNode& node, const RowPlanes& backdrop) {
  const PsdLayerRecord& r = *node.record;
  if (node.group && r.mode == BlendMode::PassThrough) return PaintPassThrough(node, backdrop);
  uint32_t begin = 0, end = 0;
  if (!Source(node, begin, end)) return false;
  const float opacity = r.opacity / 255.0f;
  const float fill = r.fill_opacity / 255.0f;
  const RowPlanes* source = &node.own.planes;
  if (!node.clipped.empty()) {
    // The clipped layers blend over the base alone (its colour at its own transparency);
    // the result then takes the base's mask, opacity and blend mode as one.
    std::copy(node.own.samples.begin(), node.own.samples.end(), node.extra.samples.begin());
    source = &node.extra.planes;
    for (auto& child : node.clipped) {
      if (!Paint(*child, *source)) return false;
    }
    std::copy(node.own.planes.alpha + begin, node.own.planes.alpha + end, source->alpha + begin);
  }
  if (!node.mask.Apply(y_, source->alpha, begin, end, error_)) return false;
  const float weight = opacity * fill;
  for (uint32_t x = begin; x < end; ++x) source->alpha[x] *= weight;
  CompositeRow(r.mode, channels_, backdrop, source->colour, source->alpha, begin, end, clamp_);
  return true;
}

// Members blend straight onto the backdrop; the group's opacity and mask then weigh the
// changed backdrop against the one before (in premultiplied terms).
bool LayeredPsdRows::PaintPassThrough(PaintNode& node, const RowPlanes& backdrop) {
  const float opacity = node.record->opacity / 255.0f;
  const bool weighed = opacity < 1 || node.mask.Active();
  RowBuffer& before = node.extra;
  const uint64_t plane_bytes = uint64_t(channels_ + 1) * Width();
  if (weighed) std::copy(backdrop.colour[0], backdrop.colour[0] + plane_bytes, before.samples.begin());
  for (auto& child : node.children) {
    if (!Paint(*child, backdrop)) return false;
  }
  if (!weighed) return true;
  float* weight = node.own.planes.alpha;
  std::fill(weight, weight + Width(), opacity);
  if (!node.mask.Apply(y_, weight, 0, Width(), error_)) return false;
  for (uint32_t x = 0; x < Width(); ++x) {
    const float w = weight[x];
    const float a0 = before.planes.alpha[x];
    const float a1 = backdrop.alpha[x];
    const float a = a0 + (a1 - a0) * w;
    for (int k = 0; k < channels_; ++k) {
      const float p0 = before.planes.colour[k][x] * a0;
      const float p1 = backdrop.colour[k][x] * a1;
      backdrop.colour[k][x] = a > 0 ? (p0 + (p1 - p0) * w) / a : 0.0f;
    }
    backdrop.alpha[x] = a;
  }
  return true;
}

uint8_t ToByte(float value) { return static_cast<uint8_t>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); }

// The page over white by the rules the window program uses for the pixels it loads.
void LayeredPsdRows::OverWhite(uint8_t* bgr) const {
  const RowPlanes& p = root_.own.planes;
  for (uint32_t x = 0; x < Width(); ++x) {
    const uint8_t alpha = ToByte(p.alpha[x]);
    uint8_t v[4];
    for (int k = 0; k < channels_; ++k) v[k] = zen::OverWhite(ToByte(p.colour[k][x]), alpha);
    if (channels_ == 1) {
      bgr[3 * x] = bgr[3 * x + 1] = bgr[3 * x + 2] = v[0];
    } else if (channels_ == 3) {
      bgr[3 * x] = v[2];
      bgr[3 * x + 1] = v[1];
      bgr[3 * x + 2] = v[0];
    } else {
      bgr[3 * x] = FromCmyk(v[2], v[3]);
      bgr[3 * x + 1] = FromCmyk(v[1], v[3]);
      bgr[3 * x + 2] = FromCmyk(v[0], v[3]);
    }
  }
}

bool LayeredPsdRows::ReadRow(uint8_t* bgr) {
  if (!Error().empty()) return false;
  if (y_ >= Height()) return Fail("PSD: more rows asked for than the image has");
  root_.own.Clear();
  for (auto& child : root_.children) {
    if (!Paint(*child, root_.own.planes)) return Fail(error_);
  }
  OverWhite(bgr);
  ++y_;
  return true;
}

}  // namespace

std::unique_ptr<RowSource> OpenLayeredPsdRows(ByteSource& source, const PsdLayout& layout, std::string& error) {
  const uint16_t mode = layout.header.mode;
  if (mode != PsdRgb && mode != PsdCmyk && mode != PsdGreyscale && mode != PsdDuotone) {
    const char* name = mode == PsdLab            ? "the Lab colour mode"
                       : mode == PsdMultichannel ? "the multichannel colour mode"
                                                 : "its colour mode";
    error = CompositeRefusal(name);
    return nullptr;
  }
  if (layout.header.depth == 1) {
    error = CompositeRefusal("a bitmap page");
    return nullptr;
  }
  auto rows = std::make_unique<LayeredPsdRows>(source, layout);
  if (!rows->Build(layout, error)) return nullptr;
  return rows;
}

}  // namespace zen
