#include <sys/resource.h>

#include <algorithm>
#include <random>

#include "imaging_support.h"

namespace zen::test {
namespace {

class BadInputTest : public ImagingTest {
 protected:
  // Loads the bytes; on success every pixel must be readable and the size sane.
  bool LoadAndTouch(const std::vector<uint8_t>& bytes) {
    if (ImageLoadMemory(1, bytes.data(), bytes.size()) == 0) return false;
    const NativeImage* image = ImageNativeObject(1);
    EXPECT_NE(image, nullptr);
    if (!image) return true;
    EXPECT_GT(image->width, 0);
    EXPECT_GT(image->height, 0);
    uint64_t sum = 0;
    for (size_t i = 0; i < image->ByteCount(); ++i) sum += image->pixels[i];
    sink_ += sum;
    return true;
  }
  uint64_t sink_ = 0;
};

std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& folder) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  return files;
}

TEST_F(BadInputTest, EveryCorpusFileFailsOrLoadsCleanly) {
  TheCodecRegistry().pixel_limit = 1 << 22;
  const auto bad = FilesIn(CorpusDir() / "bad");
  ASSERT_GT(bad.size(), 20u);
  for (const auto& path : bad) {
    SCOPED_TRACE(path.filename().string());
    LoadAndTouch(ReadBytes(path));
    ImageLoad(2, U16(path));  // the same through the file
  }
  for (const auto& path : FilesIn(CorpusDir() / "good")) EXPECT_TRUE(LoadAndTouch(ReadBytes(path))) << path;
}

TEST_F(BadInputTest, LyingHeadersGiveTheDocumentedOutcome) {
  const auto load = [&](const char* name) { return LoadAndTouch(ReadBytes(CorpusDir() / "bad" / name)); };
  EXPECT_FALSE(load("bmp_width_too_big"));
  EXPECT_FALSE(load("bmp_negative_height"));
  EXPECT_FALSE(load("bmp_negative_width"));
  EXPECT_FALSE(load("png_width_too_big"));
  EXPECT_FALSE(load("garbage"));
  EXPECT_FALSE(load("empty"));
  EXPECT_FALSE(load("bm_only"));
  EXPECT_FALSE(load("bmp_offset_past_end"));  // the rows it claims are not in the file
  EXPECT_FALSE(load("bmp_huge_offset"));
  EXPECT_TRUE(load("bmp_palette_lie"));
  EXPECT_TRUE(load("bmp_info_size_lie"));
  EXPECT_FALSE(load("png_no_idat"));  // the header read already misses the image data
}

// Holds the process's address space to a cap while it lives. Not under the sanitizers,
// whose shadow memory alone needs terabytes of it.
class AddressSpaceCap {
 public:
  explicit AddressSpaceCap(rlim_t bytes) {
#if !defined(__SANITIZE_ADDRESS__)
    if (getrlimit(RLIMIT_AS, &saved_) != 0) return;
    rlimit capped = saved_;
    capped.rlim_cur = std::min<rlim_t>(bytes, saved_.rlim_max);
    set_ = setrlimit(RLIMIT_AS, &capped) == 0;
#else
    (void)bytes;
#endif
  }
  ~AddressSpaceCap() {
    if (set_) setrlimit(RLIMIT_AS, &saved_);
  }
  AddressSpaceCap(const AddressSpaceCap&) = delete;
  AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

 private:
  rlimit saved_{};
  bool set_ = false;
};

// Headers claiming far more than their few bytes hold are refused as damaged before any
// pixel store is made, rather than failing for memory (or taking gigabytes) first.
TEST_F(BadInputTest, HeadersClaimingMoreThanTheFileHoldsAreRefusedBeforeAllocating) {
  const AddressSpaceCap cap(rlim_t{3} << 30);
  for (const char* name : {"png_bomb_32767x32000", "jpeg_bomb_30000x30000"}) {
    const auto bytes = ReadBytes(CorpusDir() / "bad" / name);
    LoadFailure failure = LoadFailure::None;
    EXPECT_EQ(ImageLoadMemory(1, bytes.data(), bytes.size(), &failure), 0) << name;
    EXPECT_EQ(failure, LoadFailure::Damaged) << name;
  }
}

TEST_F(BadInputTest, EveryPrefixAndRandomDamageOfGoodFiles) {
  std::mt19937 random(77);
  for (const auto& path : FilesIn(CorpusDir() / "good")) {
    SCOPED_TRACE(path.filename().string());
    const auto bytes = ReadBytes(path);
    for (size_t length = 0; length < bytes.size(); length += 1 + length / 16) {
      LoadAndTouch(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    for (int round = 0; round < 30; ++round) {
      auto damaged = bytes;
      for (int i = 0; i < 4; ++i) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
      LoadAndTouch(damaged);
    }
  }
}

// Rows read a few at a time give the pixels and the outcome of a whole load, for whole
// files and for files cut short or damaged part-way, and a failed batch empties the number.
TEST_F(BadInputTest, ALoadInBatchesEndsAsAWholeLoadDoes) {
  std::mt19937 random(5);
  const auto path = Temp("batched");
  for (const auto& good : FilesIn(CorpusDir() / "good")) {
    const auto bytes = ReadBytes(good);
    std::vector<std::vector<uint8_t>> inputs = {bytes};
    inputs.emplace_back(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * 2 / 3));
    inputs.push_back(bytes);
    for (int i = 0; i < 4; ++i) inputs.back()[bytes.size() / 2 + random() % (bytes.size() / 2)] ^= 0x5A;
    for (size_t n = 0; n < inputs.size(); ++n) {
      SCOPED_TRACE(good.filename().string() + " input " + std::to_string(n));
      WriteBytes(path, inputs[n]);
      ImageFree(AllImages);
      LoadFailure whole_failure = LoadFailure::None;
      const bool whole = ImageLoad(1, U16(path), &whole_failure) != 0;
      const NativeImage* first = ImageNativeObject(1);
      const std::vector<uint8_t> pixels =
          first ? std::vector<uint8_t>(first->pixels.get(), first->pixels.get() + first->ByteCount())
                : std::vector<uint8_t>{};
      RowLoad load;
      bool ok = load.Begin(2, U16(path));
      for (int32_t rows = 7; ok && !load.Complete(); rows += 7) ok = load.Continue(rows);
      EXPECT_EQ(ok, whole);
      EXPECT_EQ(load.Failure(), whole_failure);
      const NativeImage* second = ImageNativeObject(2);
      ASSERT_EQ(second != nullptr, whole);
      if (second) {
        EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), second->pixels.get()));
      }
    }
  }
}

TEST_F(BadInputTest, APixelLimitRefusesLikeAnOversizeImage) {
  ASSERT_NE(ImageCreate(1, 1, 1), 0);
  TheCodecRegistry().pixel_limit = 100;
  EXPECT_FALSE(LoadAndTouch(ReadBytes(CorpusDir() / "good" / "rgb8.png")));  // 19 x 13
  EXPECT_EQ(FindImage(1), nullptr);
  TheCodecRegistry().pixel_limit = 19 * 13;
  EXPECT_TRUE(LoadAndTouch(ReadBytes(CorpusDir() / "good" / "rgb8.png")));
}

}  // namespace
}  // namespace zen::test
