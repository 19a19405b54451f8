// Runs the installed zentrova-slice as a user's script would and checks the files it
// leaves, its report and its exit status.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/codecs.h"
#include "imaging/image_table.h"
#include "platform/text.h"
#include "tests/support/psd_test_writer.h"

namespace zen {
namespace {

namespace fs = std::filesystem;

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// A page of `height` rows: striped panels of `panel` rows between white gutters of `gutter`
// (panel 0: one striped panel over the whole page).
void WritePage(const fs::path& path, int width, int height, int panel, int gutter, uint32_t codec) {
  ASSERT_NE(ImageCreate(50, width, height), 0);
  ZenDrawingTarget* target = ImageDrawTarget(50);
  ASSERT_NE(DrawingStart(target), 0);
  FillRect(0, 0, width, height, ColourPack(255, 255, 255));
  const int step = panel > 0 ? panel + gutter : height;
  for (int y = 0; y < height; y += step) {
    const int rows = std::min(panel > 0 ? panel : height, height - y);
    for (int x = 0; x < width; x += 14) FillRect(x, y, 7, rows, ColourPack(20, 40, 60 + (x % 150)));
  }
  DrawingStop();
  ASSERT_NE(ImageSave(50, FromUtf8(path.string()), codec, 9, -1), 0);
  ImageFree(50);
}

std::vector<std::string> Listing(const fs::path& folder) {
  std::vector<std::string> names;
  if (!fs::is_directory(folder)) return names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class BatchCliTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterAllCodecs(); }

  void SetUp() override {
    root_ = fs::temp_directory_path() / ("zen-batch-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "config");
    fs::create_directories(root_ / "ep1");
  }
  void TearDown() override { fs::remove_all(root_); }

  CliResult Run(const std::string& arguments) {
    const fs::path out = root_ / "stdout.txt";
    const fs::path err = root_ / "stderr.txt";
    const std::string command = "cd " + Quote(root_.string()) +
                                " && XDG_CONFIG_HOME=" + Quote((root_ / "config").string()) +
                                " XDG_DATA_HOME=" + Quote((root_ / "data").string()) + " " + Quote(Program()) + " " +
                                arguments + " >" + Quote(out.string()) + " 2>" + Quote(err.string()) + " </dev/null";
    const int raw = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    result.out = ReadFile(out);
    result.err = ReadFile(err);
    fs::remove(out);
    fs::remove(err);
    return result;
  }

  static std::string Program() { return std::string(ZEN_BUNDLE_DIR) + "/MacOS/zentrova-slice"; }

  // Width and height of a written piece.
  static std::pair<int, int> SizeOf(const fs::path& piece) {
    if (ImageLoad(51, FromUtf8(piece.string())) == 0) return {0, 0};
    std::pair<int, int> size{ImageGetWidth(51), ImageGetHeight(51)};
    ImageFree(51);
    return size;
  }

  void WriteUserConfig(const std::string& lines) {
    fs::create_directories(root_ / "config" / "Zentrova");
    std::ofstream(root_ / "config" / "Zentrova" / "config.ini") << "\xEF\xBB\xBF\n" << lines;
  }

  fs::path root_;
};

TEST_F(BatchCliTest, FixedHeightWithNamingOptions) {
  WritePage(root_ / "ep1" / "001.png", 690, 2500, 0, 0, CodecPng);
  const CliResult r =
      Run("--no-config --mode fixed --height 1000 --folder out --prefix p_ --digits 2 --format png ep1");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Listing(root_ / "ep1" / "out"), (std::vector<std::string>{"p_01.png", "p_02.png", "p_03.png"}));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "out" / "p_01.png"), std::make_pair(690, 1000));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "out" / "p_03.png"), std::make_pair(690, 500));
  EXPECT_NE(r.out.find("ep1/out: 3 pieces"), std::string::npos) << r.out;
}

TEST_F(BatchCliTest, PagesAreCutInNaturalNameOrder) {
  WritePage(root_ / "ep1" / "1.png", 690, 1000, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "2.png", 690, 700, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "10.png", 690, 400, 0, 0, CodecPng);
  ASSERT_EQ(Run("--no-config --mode fixed --height 1200 --format png ep1").status, 0);
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_2.png"), std::make_pair(690, 700));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_3.png"), std::make_pair(690, 400));
}

TEST_F(BatchCliTest, JoinedAndFixedModesAcrossTheFilesOfOneFolder) {
  WritePage(root_ / "ep1" / "001.png", 690, 1000, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "002.png", 690, 1000, 0, 0, CodecPng);
  ASSERT_EQ(Run("--no-config --mode joined --height 1200 ep1").status, 0);
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_1.jpg"), std::make_pair(690, 1200));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_2.jpg"), std::make_pair(690, 800));
  fs::remove_all(root_ / "ep1" / "slice");
  ASSERT_EQ(Run("--no-config --mode fixed --height 1200 ep1").status, 0);
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_1.jpg"), std::make_pair(690, 1000));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_2.jpg"), std::make_pair(690, 1000));
}

TEST_F(BatchCliTest, CutModeEndsPiecesInGuttersAndResizeScalesThem) {
  // Panels of 1000 rows between gutters of 200: cuts fall in the gutters.
  WritePage(root_ / "ep1" / "001.png", 690, 3400, 1000, 200, CodecPng);
  const CliResult r = Run("--no-config --mode cut --min 300 --max 1500 --width 345 --prefix \"[원본 폴더명_]\" ep1");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> names = Listing(root_ / "ep1" / "slice");
  ASSERT_EQ(names, (std::vector<std::string>{"ep1_1.jpg", "ep1_2.jpg", "ep1_3.jpg"}));
  int total = 0;
  for (const std::string& name : names) {
    const auto [width, height] = SizeOf(root_ / "ep1" / "slice" / name);
    EXPECT_EQ(width, 345);
    total += height;
  }
  EXPECT_EQ(total, 1700);
}

TEST_F(BatchCliTest, QualityChangesTheJpegFiles) {
  WritePage(root_ / "ep1" / "001.png", 690, 800, 50, 30, CodecPng);
  ASSERT_EQ(Run("--no-config --quality 1 --folder low ep1").status, 0);
  ASSERT_EQ(Run("--no-config --quality 10 --folder high ep1").status, 0);
  EXPECT_LT(fs::file_size(root_ / "ep1" / "low" / "slice_1.jpg"),
            fs::file_size(root_ / "ep1" / "high" / "slice_1.jpg"));
}

TEST_F(BatchCliTest, ConfigPrecedence) {
  WritePage(root_ / "ep1" / "001.png", 690, 2100, 0, 0, CodecPng);
  WriteUserConfig("SliceHeight = 700\nConnectSlice = 0\nCustomDir = user\n");
  ASSERT_EQ(Run("ep1").status, 0);
  EXPECT_EQ(Listing(root_ / "ep1" / "user").size(), 3u);  // the user's config.ini
  std::ofstream(root_ / "other.ini") << "SliceHeight = 1050\nCustomDir = other\n";
  ASSERT_EQ(Run("--config other.ini ep1").status, 0);
  EXPECT_EQ(Listing(root_ / "ep1" / "other").size(), 2u);  // --config replaces it
  ASSERT_EQ(Run("--config other.ini --height 300 --folder opt ep1").status, 0);
  EXPECT_EQ(Listing(root_ / "ep1" / "opt").size(), 7u);  // options override both
  ASSERT_EQ(Run("--no-config ep1").status, 0);
  EXPECT_EQ(Listing(root_ / "ep1" / "slice").size(), 2u);  // built-in defaults: 1500
}

TEST_F(BatchCliTest, DryRunWritesNothingAndAgreesWithTheRealRun) {
  WritePage(root_ / "ep1" / "001.png", 690, 2000, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "002.jpg", 690, 1700, 0, 0, CodecJpeg);
  const CliResult dry = Run("--no-config --json --dry-run ep1");
  ASSERT_EQ(dry.status, 0) << dry.err;
  EXPECT_FALSE(fs::exists(root_ / "ep1" / "slice"));
  EXPECT_TRUE(Listing(root_ / "config" / "Zentrova").empty());
  const CliResult real = Run("--no-config --json ep1");
  ASSERT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(dry.out, real.out);
  EXPECT_EQ(real.out.rfind("{\"pieces\": [{\"path\": \"", 0), 0u) << real.out;
  EXPECT_NE(real.out.find("\"parts\": [{\"source\": \"" + (root_ / "ep1" / "001.png").string() +
                          "\", \"top\": 1500, \"rows\": 500}, {\"source\": \"" + (root_ / "ep1" / "002.jpg").string() +
                          "\", \"top\": 0, \"rows\": 1000}]"),
            std::string::npos)
      << real.out;
  EXPECT_NE(real.out.find("\"skipped\": [], \"failed\": [], \"stale_pieces\": [], \"stopped\": null, \"runs\": ["),
            std::string::npos);
  EXPECT_EQ(Listing(root_ / "ep1" / "slice").size(), 3u);
}

TEST_F(BatchCliTest, BadValuesAreUsageErrorsAndWriteNothing) {
  WritePage(root_ / "ep1" / "001.png", 690, 500, 0, 0, CodecPng);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--height 0", "--height"},
      {"--height 40000", "--height"},
      {"--quality 11", "--quality"},
      {"--min 5", "--min"},
      {"--max 50", "--max"},
      {"--digits 0", "--digits"},
      {"--folder a/b", "--folder"},
      {"--folder ..", "--folder"},
      {"--prefix 'x/y'", "--prefix"},
      {"--mode sideways", "--mode"},
      {"--format gif", "--format"},
      {"--frobnicate", "--frobnicate"},
      {"--width", "--width"},
      {"--config missing.ini", "--config"},
      {"--config huge.ini", "--config"},  // more than a settings file holds, not passed over
      {"--pixel-budget 0", "--pixel-budget"},
  };
  std::ofstream(root_ / "huge.ini") << "SliceHeight = 700\n";
  fs::resize_file(root_ / "huge.ini", 17 << 20);
  for (const auto& [arguments, option] : cases) {
    const CliResult r = Run("--no-config " + arguments + " ep1");
    EXPECT_EQ(r.status, 2) << arguments;
    EXPECT_NE(r.err.find(option), std::string::npos) << arguments << ": " << r.err;
  }
  EXPECT_EQ(Listing(root_ / "ep1"), std::vector<std::string>{"001.png"});
  EXPECT_EQ(Run("--no-config").status, 2);
}

TEST_F(BatchCliTest, EverySkippedSourceSaysWhyAndTheOthersAreStillCut) {
  WritePage(root_ / "ep1" / "001.png", 690, 500, 0, 0, CodecPng);
  std::ofstream(root_ / "ep1" / "002.jpg") << "not a picture";
  WritePage(root_ / "ep1" / "003.png", 690, 400, 0, 0, CodecPng);
  // Damaged image data: a flipped byte (the data chunk's checksum fails), and a file cut short.
  std::string page = ReadFile(root_ / "ep1" / "003.png");
  page[page.size() / 2] = static_cast<char>(page[page.size() / 2] ^ 0x40);
  std::ofstream(root_ / "ep1" / "004.png", std::ios::binary) << page;
  std::ofstream(root_ / "ep1" / "005.png", std::ios::binary) << page.substr(0, page.size() / 2);
  std::ofstream(root_ / "ep1" / "006.psd", std::ios::binary) << std::string("8BPS\0\1", 6) << std::string(40, '\0');
  const CliResult r = Run("--no-config --mode fixed --json ep1 ep1/missing.png");
  EXPECT_EQ(r.status, 1);
  const auto skipped = [&](const char* name, const std::string& reason) {
    const std::string path = (root_ / "ep1" / name).string();
    EXPECT_NE(r.out.find("{\"path\": \"" + path + "\", \"reason\": \"" + reason), std::string::npos) << name << r.out;
    EXPECT_NE(r.err.find("could not load " + path + ": " + reason), std::string::npos) << name << r.err;
  };
  skipped("002.jpg", "not a JPEG, PNG, PSD or PSB image");
  skipped("004.png", "damaged image data");
  skipped("005.png", "damaged image data");
  skipped("006.psd", "the converter failed: PSD: ");  // its own words follow
  skipped("missing.png", "file not found");
  EXPECT_EQ(Listing(root_ / "ep1" / "slice"), (std::vector<std::string>{"slice_1.jpg", "slice_2.jpg"}));
  // Quiet, the converter's reason is said once: in the report, not also by the converter.
  const std::string quiet = Run("--no-config --quiet ep1/006.psd").err;
  EXPECT_EQ(quiet.find("PSD: "), quiet.rfind("PSD: ")) << quiet;
  // A page over the pixel budget (here one million) is skipped before it is loaded.
  fs::create_directories(root_ / "ep2");
  WritePage(root_ / "ep2" / "big.png", 690, 1500, 0, 0, CodecPng);
  const CliResult over = Run("--no-config --pixel-budget 1 ep2");
  EXPECT_EQ(over.status, 1);
  EXPECT_NE(over.err.find("big.png: image too large to load"), std::string::npos) << over.err;
  EXPECT_FALSE(fs::exists(root_ / "ep2" / "slice"));
}

TEST_F(BatchCliTest, SourcesAreNeverOverwrittenWhateverTheSettingsSay) {
  fs::create_directories(root_ / "ep2");
  WritePage(root_ / "ep1" / "1.png", 690, 1000, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "2.png", 690, 1000, 0, 0, CodecPng);
  WritePage(root_ / "ep2" / "1.png", 690, 300, 0, 0, CodecPng);
  const std::string before = ReadFile(root_ / "ep1" / "1.png") + ReadFile(root_ / "ep1" / "2.png");
  // Names from the settings that would put pieces beside the sources or into another folder.
  for (const char* lines : {"CustomDir = \nCustomFileName = \n", "CustomDir = ../ep2\nCustomFileName = \n",
                            "CustomFileName = ../\n", "CustomDir = .\n"}) {
    WriteUserConfig(std::string(lines) + "SaveExtension = 1\nSliceHeight = 500\n");
    const CliResult r = Run("ep1");
    EXPECT_EQ(r.status, 2) << lines;
    EXPECT_NE(r.err.find("from the settings is not usable"), std::string::npos) << r.err;
  }
  EXPECT_EQ(Listing(root_ / "ep2"), std::vector<std::string>{"1.png"});
  // An output folder that is a link to the sources' own folder.
  fs::create_symlink(".", root_ / "ep1" / "out");
  const CliResult r = Run("--no-config --folder out --prefix '' --format png --height 500 --json ep1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(ReadFile(root_ / "ep1" / "1.png") + ReadFile(root_ / "ep1" / "2.png"), before);
  EXPECT_NE(r.out.find("{\"path\": \"" + (root_ / "ep1" / "out" / "2.png").string() +
                       "\", \"reason\": \"it would replace a source file\"}"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("\"stale_pieces\": []"), std::string::npos) << r.out;  // sources are never stale
  // The summary counts only the pieces written, the refused ones beside them.
  EXPECT_NE(r.err.find("ep1/out: 2 pieces, 2 failed\n"), std::string::npos) << r.err;
}

TEST_F(BatchCliTest, EachFolderIsOneRunAndNoPathIsWrittenTwice) {
  fs::create_directories(root_ / "ep1" / "b");
  WritePage(root_ / "ep1" / "a.png", 690, 600, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "b" / "c.png", 690, 600, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "z.png", 690, 600, 0, 0, CodecPng);
  // Sorted as one drop, b/c.png would split ep1's run and restart its numbering.
  const CliResult grouped = Run("--no-config --mode fixed --prefix x ep1/a.png ep1/b/c.png ep1/z.png");
  EXPECT_EQ(grouped.status, 0) << grouped.err;
  EXPECT_EQ(Listing(root_ / "ep1" / "slice"), (std::vector<std::string>{"x1.jpg", "x2.jpg"}));
  // The same folder by two names: the second run's pieces would replace the first's.
  fs::create_symlink("ep1", root_ / "same");
  EXPECT_EQ(Run("--no-config --mode fixed --prefix y --dry-run ep1 same").status, 1);  // as the real run
  const CliResult twice = Run("--no-config --mode fixed --prefix y --json ep1 same");
  EXPECT_EQ(twice.status, 1);
  const std::string path = (root_ / "same" / "slice" / "y1.jpg").string();
  EXPECT_NE(twice.err.find("could not write " + path + ": this path was already written earlier in this job"),
            std::string::npos)
      << twice.err;
  EXPECT_NE(twice.out.find("\"failed\": [{\"path\": \"" + path), std::string::npos) << twice.out;
  EXPECT_EQ(twice.out.find("{\"path\": \"" + path + "\", \"width\""), std::string::npos) << twice.out;
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "y1.jpg"), std::make_pair(690, 600));
}

TEST_F(BatchCliTest, StalePiecesAreListedAndOnlyMovedToTheTrash) {
  WritePage(root_ / "ep1" / "001.png", 690, 2000, 0, 0, CodecPng);
  ASSERT_EQ(Run("--no-config --height 500 --digits 2 ep1").status, 0);  // slice_01 ... slice_04
  std::ofstream(root_ / "ep1" / "slice" / "slice_9.png") << "other extension";
  std::ofstream(root_ / "ep1" / "slice" / "slice_notes.jpg") << "no number";
  const std::string stale = (root_ / "ep1" / "slice").string() + "/slice_0";
  const CliResult listed = Run("--no-config --height 1000 --json ep1");
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("\"stale_pieces\": [\"" + stale + "1.jpg\", \"" + stale + "2.jpg\", \"" + stale +
                            "3.jpg\", \"" + stale + "4.jpg\"]"),
            std::string::npos)
      << listed.out;
  EXPECT_NE(listed.err.find("4 pieces of an earlier run in"), std::string::npos) << listed.err;
  const CliResult removed = Run("--no-config --height 1000 --remove-stale ep1");
  EXPECT_EQ(removed.status, 0) << removed.err;
  EXPECT_EQ(Listing(root_ / "ep1" / "slice"),
            (std::vector<std::string>{"slice_1.jpg", "slice_2.jpg", "slice_9.png", "slice_notes.jpg"}));
  const fs::path trash = root_ / "data" / "Trash";
  EXPECT_EQ(Listing(trash / "files"),
            (std::vector<std::string>{"slice_01.jpg", "slice_02.jpg", "slice_03.jpg", "slice_04.jpg"}));
  const std::string info = ReadFile(trash / "info" / "slice_03.jpg.trashinfo");
  EXPECT_EQ(info.rfind("[Trash Info]\nPath=" + stale + "3.jpg\nDeletionDate=", 0), 0u) << info;
  EXPECT_EQ(info.size(),
            std::string("[Trash Info]\nPath=\nDeletionDate=2024-01-01T00:00:00\n").size() + stale.size() + 5);
}

// A page whose every pixel is clear and stored as (0, 0, 0, 0).
void WriteClearPage(const fs::path& path, int width, int height) {
  ASSERT_NE(ImageCreate(50, width, height), 0);
  NativeImage* image = ImageNativeObject(50);
  std::fill(image->pixels.get(), image->pixels.get() + image->ByteCount(), 0);
  FindImage(50)->file_depth = 32;
  ASSERT_NE(ImageSave(50, FromUtf8(path.string()), CodecPng, 7, -1), 0);
  ImageFree(50);
}

TEST_F(BatchCliTest, AClearPageIsWhiteWhicheverPathItTakes) {
  fs::create_directories(root_ / "tall");
  WriteClearPage(root_ / "ep1" / "page.png", 40, 2000);
  WriteClearPage(root_ / "tall" / "page.png", 40, 33000);  // through the converter's strips
  ASSERT_EQ(Run("--no-config --mode fixed --height 1500 --format png ep1 tall").status, 0);
  for (const fs::path& piece : {root_ / "ep1/slice/slice_1.png", root_ / "ep1/slice/slice_2.png",
                                root_ / "tall/slice/slice_1.png", root_ / "tall/slice/slice_22.png"}) {
    ASSERT_NE(ImageLoad(51, FromUtf8(piece.string())), 0) << piece;
    const NativeImage* image = ImageNativeObject(51);
    const size_t bytes = image->ByteCount();
    EXPECT_EQ(std::count(image->pixels.get(), image->pixels.get() + bytes, 255), static_cast<std::ptrdiff_t>(bytes))
        << piece;
    ImageFree(51);
  }
}

TEST_F(BatchCliTest, StartUpRemovesOnlyADeadJobsConverterFiles) {
  const fs::path settings = root_ / "config" / "Zentrova";
  // Each job's work folder: one of a job that died, one a running job holds.
  for (const char* job : {"work-dead00", "work-alive"}) {
    fs::create_directories(settings / job);
    std::ofstream(settings / job / "pageP3.bmp") << "strip";
  }
  // Loose ones an earlier version left, and a file that is not the converter's.
  const std::vector<std::string> left = {"pageP3.bmp", "page.bmp", "pageP0.bmp.part"};
  for (const std::string& name : left) std::ofstream(settings / name) << "strip";
  std::ofstream(settings / "notes.txt") << "not the converter's";
  WritePage(root_ / "ep1" / "001.png", 690, 300, 0, 0, CodecPng);
  const int alive = open((settings / "work-alive").c_str(), O_RDONLY | O_DIRECTORY);
  ASSERT_EQ(flock(alive, LOCK_EX), 0);
  {
    // An earlier version's job holds the settings folder: its loose files stay.
    const int held = open(settings.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(flock(held, LOCK_SH), 0);
    ASSERT_EQ(Run("--no-config ep1").status, 0);
    close(held);
  }
  EXPECT_EQ(Listing(settings),
            (std::vector<std::string>{"notes.txt", "page.bmp", "pageP0.bmp.part", "pageP3.bmp", "work-alive"}));
  ASSERT_EQ(Run("--no-config ep1").status, 0);
  EXPECT_EQ(Listing(settings), (std::vector<std::string>{"notes.txt", "work-alive"}));
  EXPECT_EQ(Listing(settings / "work-alive"), std::vector<std::string>{"pageP3.bmp"});
  close(alive);
}

TEST_F(BatchCliTest, PiecesGoThroughATemporaryFileAndReplaceALinkAtTheirName) {
  WritePage(root_ / "ep1" / "001.png", 690, 1000, 0, 0, CodecPng);
  fs::create_directories(root_ / "ep1" / "slice");
  std::ofstream(root_ / "victim.txt") << "keep me";
  fs::create_symlink(root_ / "victim.txt", root_ / "ep1" / "slice" / "slice_1.jpg");
  // Left by a killed job: removed. One a living writer holds (locked): kept.
  std::ofstream(root_ / "ep1" / "slice" / ".zentrova-1-1.part") << "half a piece";
  const fs::path busy = root_ / "ep1" / "slice" / ".zentrova-2-1.part";
  std::ofstream(busy) << "being written";
  const int writer = open(busy.c_str(), O_RDONLY);
  ASSERT_EQ(flock(writer, LOCK_EX), 0);
  ASSERT_EQ(Run("--no-config ep1").status, 0);
  close(writer);
  EXPECT_EQ(ReadFile(root_ / "victim.txt"), "keep me");
  EXPECT_FALSE(fs::is_symlink(root_ / "ep1" / "slice" / "slice_1.jpg"));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_1.jpg"), std::make_pair(690, 1000));
  EXPECT_EQ(Listing(root_ / "ep1" / "slice"), (std::vector<std::string>{".zentrova-2-1.part", "slice_1.jpg"}));
}

TEST_F(BatchCliTest, TooWideSourceStopsTheJobWithTheSizeMessage) {
  WritePage(root_ / "ep1" / "001.png", 40000, 20, 0, 0, CodecPng);
  const CliResult r = Run("--no-config --json ep1");
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("이미지 크기 오류"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("001.png파일의 가로 길이가 32000픽셀이 넘습니다."), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("\"stopped\": \"" + (root_ / "ep1" / "001.png").string() + "\""), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists(root_ / "ep1" / "slice"));  // made for the stopped page, then taken away
}

// A plain RGB Photoshop page of one colour.
void WritePsdPage(const fs::path& path, int width, int height, const std::array<uint8_t, 3>& colour) {
  test::PsdFixture psd;
  psd.width = static_cast<uint32_t>(width);
  psd.height = static_cast<uint32_t>(height);
  for (uint8_t sample : colour) psd.planes.emplace_back(static_cast<size_t>(width) * height, sample);
  const std::vector<uint8_t> bytes = test::WritePsd(psd);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Two runs at once (same settings folder) over Photoshop files of the same names: each
// converts in a folder of its own, so every piece holds its own source's colour.
TEST_F(BatchCliTest, TwoRunsAtOnceOverSameNamedPsdFilesKeepTheirOwnPictures) {
  const std::array<std::array<uint8_t, 3>, 2> colours = {{{200, 30, 30}, {30, 30, 200}}};
  for (int run = 0; run < 2; ++run) {
    fs::create_directories(root_ / ("run" + std::to_string(run)));
    for (int page = 1; page <= 10; ++page) {
      WritePsdPage(root_ / ("run" + std::to_string(run)) / ("p" + std::to_string(page) + ".psd"), 690, 3000,
                   colours[run]);
    }
  }
  const std::string slice = Quote(Program()) + " --no-config --mode fixed --height 1500 --format png run";
  const std::string command =
      "cd " + Quote(root_.string()) + " && export XDG_CONFIG_HOME=" + Quote((root_ / "config").string()) + " && { " +
      slice + "0 2>err0 & " + slice + "1 2>err1; one=$?; wait $!; exit $((one | $?)); } >/dev/null </dev/null";
  const int raw = std::system(command.c_str());
  const std::string errors = ReadFile(root_ / "err0") + ReadFile(root_ / "err1");
  ASSERT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << errors;
  for (int run = 0; run < 2; ++run) {
    const fs::path out = root_ / ("run" + std::to_string(run)) / "slice";
    ASSERT_EQ(Listing(out).size(), 20u) << errors;
    for (const std::string& name : Listing(out)) {
      ASSERT_NE(ImageLoad(52, FromUtf8((out / name).string())), 0) << name;
      const uint8_t* pixel = ImageNativeObject(52)->pixels.get();
      EXPECT_EQ((std::array<uint8_t, 3>{pixel[0], pixel[1], pixel[2]}), colours[run]) << out / name;
      ImageFree(52);
    }
  }
  EXPECT_TRUE(Listing(root_ / "config" / "Zentrova").empty());
}

// Panels of 1000 rows between 200-row gutters, 3400 rows: the smart planner cuts in the
// middle of both gutters; its plan, edited by hand, is written back as it says.
TEST_F(BatchCliTest, ASmartPlanEditedByHandIsWrittenAtItsRows) {
  WritePage(root_ / "ep1" / "001.png", 690, 3400, 1000, 200, CodecPng);
  const CliResult dry = Run("--no-config --mode smart --dry-run --json ep1");
  ASSERT_EQ(dry.status, 0) << dry.err;
  const std::string cut = "{\"row\": 2300, \"kind\": \"gutter\", \"band\": [2200, 2400]}";
  const size_t at = dry.out.find(cut);
  ASSERT_NE(at, std::string::npos) << dry.out;
  EXPECT_NE(dry.out.find("{\"row\": 1100, \"kind\": \"gutter\", \"band\": [1000, 1200]}, " + cut +
                         ", {\"row\": 3400, \"kind\": \"end\", \"band\": null}"),
            std::string::npos);
  std::string edited = dry.out;
  edited.replace(at, cut.size(), "{\"row\": 2250}");
  std::ofstream(root_ / "plan.json") << edited;

  const CliResult written = Run("--no-config --format png --cuts plan.json");
  ASSERT_EQ(written.status, 0) << written.err;
  EXPECT_EQ(Listing(root_ / "ep1" / "slice"), (std::vector<std::string>{"slice_1.png", "slice_2.png", "slice_3.png"}));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_2.png"), std::make_pair(690, 1150));
  EXPECT_EQ(SizeOf(root_ / "ep1" / "slice" / "slice_3.png"), std::make_pair(690, 1150));

  const CliResult preview = Run("--no-config --mode smart --preview look.png ep1");
  ASSERT_EQ(preview.status, 0) << preview.err;
  const auto [width, height] = SizeOf(root_ / "look.png");
  EXPECT_GT(width, 345);  // the run at half size, and the labels beside it
  EXPECT_EQ(height, 1700 + 24);
  EXPECT_EQ(Listing(root_ / "ep1" / "slice").size(), 3u);  // a preview writes no piece
}

TEST_F(BatchCliTest, APlanThatDoesNotFitIsRefusedByItsFirstProblem) {
  WritePage(root_ / "ep1" / "001.png", 690, 2000, 0, 0, CodecPng);
  WritePage(root_ / "ep1" / "002.png", 690, 900, 0, 0, CodecPng);
  const std::string one = (root_ / "ep1" / "001.png").string();
  auto plan = [&](const std::string& files, const std::string& cuts) {
    return "{\"runs\": [{\"files\": [" + files + "], \"cuts\": [" + cuts + "]}]}";
  };
  const std::string file = "{\"path\": \"" + one + "\", \"rows\": 2000}";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{\"runs\": [", "not JSON (at byte 10)"},
      {plan(file, "{\"row\": 900}, {\"row\": 800}"), "run 1, cut 2: row 800 is not below the cut before it (row 900)"},
      {plan(file, "{\"row\": 2500}"), "run 1, cut 1: row 2500 lies past the end of the run (2000 rows)"},
      {plan(file, "{\"row\": 900, \"kind\": \"wide\"}"), "\"kind\" is not gutter, forced, fixed or end"},
      {plan("{\"path\": \"" + one + "\", \"rows\": 1999}", "{\"row\": 900}"),
       "run 1, file 1 (" + one + ") has 2000 rows as cut, the plan says 1999"},
      {plan(file + ", " + file, "{\"row\": 900}"), "run 1, file 2 (" + one + ") is listed twice"},
  };
  for (const auto& [text, problem] : cases) {
    std::ofstream(root_ / "plan.json") << text;
    const CliResult r = Run("--no-config --cuts plan.json");
    EXPECT_EQ(r.status, 2) << text;
    EXPECT_NE(r.err.find(problem), std::string::npos) << r.err;
  }
  std::ofstream(root_ / "plan.json") << plan(file, "{\"row\": 900}");
  const CliResult other = Run("--no-config --cuts plan.json ep1/002.png");
  EXPECT_EQ(other.status, 2);
  EXPECT_NE(other.err.find("is not the source in its place"), std::string::npos) << other.err;
  EXPECT_FALSE(fs::exists(root_ / "ep1" / "slice"));
}

TEST_F(BatchCliTest, HelpAndVersion) {
  const CliResult help = Run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("SliceHeight, 1500"), std::string::npos);
  const CliResult version = Run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "zentrova-slice 2.09\n");
}

}  // namespace
}  // namespace zen
