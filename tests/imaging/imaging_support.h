#pragma once
// Helpers shared by the imaging tests: a clean table and codec list per test, a
// temporary folder, file reading, and an independent decoder (ImageMagick) to compare with.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "imaging/codec_registry.h"
#include "imaging/image_table.h"

namespace zen::test {

std::filesystem::path CorpusDir();  // tests/data/imaging
std::u16string U16(const std::filesystem::path& path);
std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// RGBA, 8 bits per sample, as ImageMagick decodes the file; nullopt when it cannot run.
std::optional<std::vector<uint8_t>> ReferenceRgba(const std::filesystem::path& path, int* width, int* height);

// The pixel (x, y) of a live image as R, G, B, A.
std::array<uint8_t, 4> PixelOf(ImageId id, int32_t x, int32_t y);
void SetPixel(ImageId id, int32_t x, int32_t y, std::array<uint8_t, 4> rgba);

class ImagingTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::filesystem::path Temp(const std::string& name) const { return temp_ / name; }

 private:
  std::filesystem::path temp_;
};

}  // namespace zen::test
