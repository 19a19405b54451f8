// Documents saved without their merged image: the page is composited from the layers.
// Pixels are checked against values worked out by hand from the blend formulas.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "converter/blend_modes.h"
#include "converter/byte_source.h"
#include "converter/image_probe.h"
#include "interchange/converter_status.h"
#include "tests/support/converter_test_support.h"
#include "tests/support/psd_test_writer.h"

namespace zen {
namespace {

using test::LayerFixture;
using test::PsdFixture;
using Rgb = std::array<int, 3>;

// One channel's rows at the depth, every sample `value` (0..255 scale; 32 bits as value / 255).
std::vector<uint8_t> Plane(uint32_t width, uint32_t height, uint16_t depth, double value) {
  std::vector<uint8_t> out;
  for (uint64_t i = 0; i < uint64_t{width} * height; ++i) {
    if (depth == 8) {
      out.push_back(static_cast<uint8_t>(value));
    } else if (depth == 16) {
      const uint32_t v = static_cast<uint32_t>(value * 257);
      out.insert(out.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)});
    } else {
      const float f = static_cast<float>(value / 255);
      uint32_t bits;
      std::memcpy(&bits, &f, 4);
      for (int b = 3; b >= 0; --b) out.push_back(static_cast<uint8_t>(bits >> (8 * b)));
    }
  }
  return out;
}

// A rectangle of one colour (one value per colour channel), with a transparency channel
// when alpha is given.
LayerFixture Flat(int32_t top, int32_t left, int32_t bottom, int32_t right, std::vector<double> colour,
                  std::optional<double> alpha = std::nullopt, uint16_t depth = 8) {
  LayerFixture layer;
  layer.top = top, layer.left = left, layer.bottom = bottom, layer.right = right;
  const uint32_t w = static_cast<uint32_t>(right - left), h = static_cast<uint32_t>(bottom - top);
  if (alpha) layer.channels.push_back({-1, Plane(w, h, depth, *alpha)});
  for (size_t k = 0; k < colour.size(); ++k)
    layer.channels.push_back({static_cast<int16_t>(k), Plane(w, h, depth, colour[k])});
  return layer;
}

// A document whose stored composite is a white page and whose flag says it is not real.
PsdFixture Unmerged(uint32_t width, uint32_t height, std::vector<LayerFixture> layers, uint16_t depth = 8,
                    uint16_t mode = 3) {
  PsdFixture f;
  f.width = width, f.height = height, f.depth = depth, f.mode = mode;
  f.compression = 1;
  const int colour = mode == 3 ? 3 : mode == 4 ? 4 : 1;
  f.planes.assign(colour, Plane(width, height, depth, mode == 4 ? 255 : 255));
  f.layers = std::move(layers);
  f.has_real_merged_data = false;
  return f;
}

test::RgbImage Decode(const PsdFixture& f, std::string& error) {
  std::vector<uint8_t> bytes = test::WritePsd(f);
  MemoryByteSource source(bytes.data(), bytes.size());
  test::RgbImage image;
  auto rows = OpenImageRows(source, error);
  if (!rows) return image;
  image.width = rows->Width();
  image.height = rows->Height();
  image.rgb.resize(uint64_t{image.width} * image.height * 3);
  if (!rows->ReadRows(image.rgb.data(), image.height)) {
    error = rows->Error();
    image.rgb.clear();
  }
  for (size_t i = 0; i + 2 < image.rgb.size(); i += 3) std::swap(image.rgb[i], image.rgb[i + 2]);
  return image;
}

Rgb At(const test::RgbImage& image, uint32_t x, uint32_t y) {
  const uint8_t* p = &image.rgb[(uint64_t{y} * image.width + x) * 3];
  return {p[0], p[1], p[2]};
}

#define EXPECT_PIXEL(image, x, y, ...) EXPECT_EQ(At(image, x, y), (Rgb{__VA_ARGS__})) << "at " << (x) << "," << (y)

TEST(LayeredPsd, OnlyTheFlagOffWithLayersCompositesTheLayers) {
  PsdFixture f = Unmerged(3, 2, {Flat(0, 0, 2, 3, {200, 10, 20})});
  std::string error;
  test::RgbImage page = Decode(f, error);
  ASSERT_FALSE(page.rgb.empty()) << error;
  EXPECT_PIXEL(page, 2, 1, 200, 10, 20);
  f.has_real_merged_data = true;  // the stored (white) composite is the page
  EXPECT_PIXEL(Decode(f, error), 2, 1, 255, 255, 255);
  f.has_real_merged_data.reset();  // no version info: trusted as before
  EXPECT_PIXEL(Decode(f, error), 2, 1, 255, 255, 255);
}

TEST(LayeredPsd, BlendFormulasAtHandWorkedValues) {
  struct Case {
    BlendMode mode;
    float b, s, want;
  };
  const Case cases[] = {
      {BlendMode::Multiply, 0.5f, 0.5f, 0.25f},     {BlendMode::Screen, 0.5f, 0.5f, 0.75f},
      {BlendMode::ColourBurn, 0.6f, 0.5f, 0.2f},    {BlendMode::LinearBurn, 0.6f, 0.5f, 0.1f},
      {BlendMode::ColourDodge, 0.4f, 0.5f, 0.8f},   {BlendMode::LinearDodge, 0.4f, 0.5f, 0.9f},
      {BlendMode::Overlay, 0.25f, 0.5f, 0.25f},     {BlendMode::Overlay, 0.75f, 0.25f, 0.625f},
      {BlendMode::SoftLight, 0.25f, 0.75f, 0.375f}, {BlendMode::SoftLight, 0.5f, 0.25f, 0.375f},
      {BlendMode::HardLight, 0.5f, 0.75f, 0.75f},   {BlendMode::VividLight, 0.5f, 0.75f, 1.0f},
      {BlendMode::VividLight, 0.6f, 0.25f, 0.2f},   {BlendMode::LinearLight, 0.5f, 0.6f, 0.7f},
      {BlendMode::PinLight, 0.5f, 0.2f, 0.4f},      {BlendMode::PinLight, 0.5f, 0.9f, 0.8f},
      {BlendMode::HardMix, 0.6f, 0.4f, 1.0f},       {BlendMode::HardMix, 0.5f, 0.4f, 0.0f},
      {BlendMode::Difference, 0.2f, 0.7f, 0.5f},    {BlendMode::Exclusion, 0.5f, 0.5f, 0.5f},
      {BlendMode::Subtract, 0.7f, 0.2f, 0.5f},      {BlendMode::Divide, 0.3f, 0.6f, 0.5f},
      {BlendMode::Darken, 0.3f, 0.6f, 0.3f},        {BlendMode::Lighten, 0.3f, 0.6f, 0.6f},
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(BlendChannel(c.mode, c.b, c.s), c.want, 1e-5) << BlendModeName(c.mode) << " " << c.b << " " << c.s;
  }
  // Colour: red's hue and saturation at mid grey's luminosity, brought back into range.
  const float grey[3] = {0.5f, 0.5f, 0.5f}, red[3] = {1, 0, 0};
  float out[3];
  BlendWholeColour(BlendMode::Colour, grey, red, out);
  EXPECT_NEAR(out[0], 1.0f, 1e-5);
  EXPECT_NEAR(out[1], 0.5f - 0.3f * 0.5f / 0.7f, 1e-5);
  BlendWholeColour(BlendMode::Luminosity, red, grey, out);  // red lifted to luminosity 0.5
  EXPECT_NEAR(out[0], 1.0f, 1e-5);
  EXPECT_NEAR(out[2], 0.5f - 0.3f * 0.5f / 0.7f, 1e-5);
  BlendWholeColour(BlendMode::DarkerColour, grey, red, out);  // 1 < 1.5: the red
  EXPECT_EQ(out[0], 1.0f);
}

TEST(LayeredPsd, OpacityFillEdgesAndHiddenLayers) {
  LayerFixture top = Flat(-1, -2, 3, 2, {128, 255, 0});  // reaches past the top and left edges
  std::memcpy(top.blend, "mul ", 4);
  top.opacity = 128;
  LayerFixture hidden = Flat(0, 0, 4, 4, {0, 0, 0});
  hidden.flags = 2;
  LayerFixture faint = Flat(3, 0, 4, 4, {0, 0, 0}, 255.0);
  faint.blocks = test::ByteBlock("iOpa", 51);  // fill 20%
  faint.opacity = 128;                         // and opacity 50%: 10% black
  std::string error;
  test::RgbImage page = Decode(Unmerged(4, 4, {Flat(0, 0, 4, 4, {200, 100, 50}), top, hidden, faint}), error);
  ASSERT_FALSE(page.rgb.empty()) << error;
  // 200 x 128 / 255 = 100.4, mixed half and half (128/255) with 200: 150.2; 50 with 0: 24.9.
  EXPECT_PIXEL(page, 0, 0, 150, 100, 25);
  EXPECT_PIXEL(page, 1, 2, 150, 100, 25);
  EXPECT_PIXEL(page, 2, 0, 200, 100, 50);
  // 0.2 x 128/255 = 0.1004 black: 200 x 0.8996 = 179.9.
  EXPECT_PIXEL(page, 3, 3, 180, 90, 45);
}

TEST(LayeredPsd, MasksClippingAndSolidFills) {
  // A layer mask 2 wide starting at x = 1, 0 then 255, default colour 0 outside; its
  // rectangle is in canvas terms though it moves with the layer (flag 1).
  LayerFixture masked = Flat(0, 0, 2, 4, {0, 0, 255});
  masked.mask = test::LayerMaskFixture{0, 1, 2, 3, 0, 1, {}};
  masked.channels.push_back({-2, {0, 255, 0, 255}});
  // A half-transparent green base with an opaque red layer clipped to its left half.
  LayerFixture base = Flat(2, 0, 3, 4, {0, 255, 0}, 128.0);
  LayerFixture clipped = Flat(2, 0, 3, 2, {255, 0, 0});
  clipped.clipping = 1;
  // A solid fill without pixels, through a mask that keeps the left half of row 3, over a
  // black row whose mask is disabled (it would hide the row if it counted).
  LayerFixture fill;
  fill.blocks = test::SolidColourBlock(0, 128, 0);
  fill.mask = test::LayerMaskFixture{3, 0, 4, 2, 0, 0, {}};
  fill.channels.push_back({-2, std::vector<uint8_t>(2, 255)});
  LayerFixture under_fill = Flat(3, 0, 4, 4, {0, 0, 0});
  under_fill.mask = test::LayerMaskFixture{3, 0, 4, 4, 0, 2, {}};
  under_fill.channels.push_back({-2, std::vector<uint8_t>(4, 0)});
  std::string error;
  test::RgbImage page = Decode(Unmerged(4, 4, {masked, base, clipped, under_fill, fill}), error);
  ASSERT_FALSE(page.rgb.empty()) << error;
  EXPECT_PIXEL(page, 0, 0, 255, 255, 255);  // outside the mask: its default colour, 0
  EXPECT_PIXEL(page, 1, 0, 255, 255, 255);  // masked by a 0
  EXPECT_PIXEL(page, 2, 1, 0, 0, 255);
  // Clipped red takes the base's 128/255 transparency over white.
  EXPECT_PIXEL(page, 0, 2, 255, 127, 127);
  EXPECT_PIXEL(page, 3, 2, 127, 255, 127);
  EXPECT_PIXEL(page, 1, 3, 0, 128, 0);
  EXPECT_PIXEL(page, 3, 3, 0, 0, 0);
}

TEST(LayeredPsd, GroupsIsolatedAndPassThrough) {
  // Bottom to top: grey page; a normal group at 50% with a multiply layer inside (which has
  // nothing to multiply in its own group, so shows its colour); a pass-through group with
  // the same layer, which multiplies the page.
  auto group = [](int32_t row, const char* blend, uint8_t opacity) {
    LayerFixture end;
    end.blocks = test::SectionBlock(3);
    LayerFixture inner = Flat(row, 0, row + 1, 2, {255, 128, 0});
    std::memcpy(inner.blend, "mul ", 4);
    LayerFixture head;
    head.blocks = test::SectionBlock(1, blend);
    std::memcpy(head.blend, blend, 4);
    head.opacity = opacity;
    return std::vector<LayerFixture>{end, inner, head};
  };
  std::vector<LayerFixture> layers = {Flat(0, 0, 2, 2, {100, 100, 100})};
  for (auto& l : group(0, "norm", 128)) layers.push_back(l);
  for (auto& l : group(1, "pass", 255)) layers.push_back(l);
  std::string error;
  test::RgbImage page = Decode(Unmerged(2, 2, layers), error);
  ASSERT_FALSE(page.rgb.empty()) << error;
  // Isolated: (255, 128, 0) at 128/255 over 100: 177.7, 114.0, 49.8.
  EXPECT_PIXEL(page, 0, 0, 178, 114, 50);
  // Pass-through: 100 x (1, 128/255, 0) = 100, 50.2, 0.
  EXPECT_PIXEL(page, 1, 1, 100, 50, 0);
}

TEST(LayeredPsd, DepthsModesAndCompressionsAgree) {
  for (int run = 0; run < 24; ++run) {
    const uint16_t depth = std::array<uint16_t, 3>{8, 16, 32}[run % 3];
    const uint16_t compression = static_cast<uint16_t>(run / 3 % 4);
    const bool large = run >= 12;
    {
      SCOPED_TRACE(std::to_string(depth) + " bits, compression " + std::to_string(compression) + (large ? " PSB" : ""));
      LayerFixture top = Flat(0, 1, 2, 3, {255, 0, 0}, 128.0, depth);
      top.compression = compression;
      PsdFixture f = Unmerged(3, 2, {Flat(0, 0, 2, 3, {0, 0, 255}, std::nullopt, depth), top}, depth);
      f.large = large;
      f.layer_count_in_block = depth != 8;
      std::string error;
      test::RgbImage page = Decode(f, error);
      ASSERT_FALSE(page.rgb.empty()) << error;
      EXPECT_PIXEL(page, 1, 1, 128, 0, 127);
      EXPECT_PIXEL(page, 0, 0, 0, 0, 255);
    }
  }
  std::string error;
  // Greyscale: 40% black over white at half transparency.
  test::RgbImage grey = Decode(Unmerged(1, 1, {Flat(0, 0, 1, 1, {153}, 127.5)}, 8, 1), error);
  ASSERT_FALSE(grey.rgb.empty()) << error;
  EXPECT_PIXEL(grey, 0, 0, 204, 204, 204);
  // CMYK (stored as 255 minus ink): cyan 100%, black 50% ink.
  test::RgbImage cmyk = Decode(Unmerged(1, 1, {Flat(0, 0, 1, 1, {0, 255, 255, 127.5})}, 8, 4), error);
  ASSERT_FALSE(cmyk.rgb.empty()) << error;
  EXPECT_PIXEL(cmyk, 0, 0, 0, 127, 127);
}

TEST(LayeredPsd, RefusalsLeaveNoBmpAndNameTheReason) {
  LayerFixture adjustment;
  adjustment.blocks = test::Block("levl", {0, 2, 0, 0});
  LayerFixture shadowed = Flat(0, 0, 1, 1, {0, 0, 0});
  shadowed.blocks = test::EffectsBlock(true, true);
  LayerFixture gradient;  // a gradient fill layer without pixels
  gradient.blocks = test::Block("GdFl", {0, 0, 0, 16});
  LayerFixture shadow_off = shadowed;
  shadow_off.blocks = test::EffectsBlock(false, true);  // the master switch is off
  struct Case {
    const char* name;
    PsdFixture document;
    const char* reason;  // null: converts
  };
  const Case cases[] = {
      {"adjusted", Unmerged(2, 2, {Flat(0, 0, 2, 2, {9, 9, 9}), adjustment}), "adjustment layer"},
      {"shadowed", Unmerged(2, 2, {shadowed}), "layer effects"},
      {"lab", Unmerged(2, 2, {Flat(0, 0, 2, 2, {9, 9, 9})}, 8, 9), "Lab colour mode"},
      {"gradient", Unmerged(2, 2, {gradient}), "gradient fill"},
      {"plain", Unmerged(2, 2, {shadow_off}), nullptr},
  };
  for (const Case& c : cases) {
    test::TempFolder folder;
    const std::string path = folder.File(std::string(c.name) + ".psd");
    test::WriteBytes(path, test::WritePsd(c.document));
    test::RunResult run = test::RunHelper({"-convert", path, "-configPath", folder.Slash()});
    if (!c.reason) {
      EXPECT_EQ(run.status, 0) << run.err;
      continue;
    }
    EXPECT_EQ(run.status, ConverterNeedsComposite) << c.name;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Maximize Compatibility"), std::string::npos) << run.err;
    EXPECT_EQ(folder.Names(), std::vector<std::string>{std::string(c.name) + ".psd"});
  }
}

}  // namespace
}  // namespace zen
