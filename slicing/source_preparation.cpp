// Bringing each source into SourceImage: the size query and the conversions through the
// external converter, loading, the clean-up of converter files, the size limits and the
// resize to the wished width.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "imaging/codecs.h"
#include "imaging/resize.h"
#include "interchange/converter_status.h"
#include "platform/file_identity.h"
#include "platform/gui/main_controls.h"
#include "platform/program_runner.h"
#include "platform/text.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"
#include "sources/path_helpers.h"

namespace zen {
namespace {

using gui::Gui;
using namespace slicing_detail;

constexpr std::u16string_view kSizeTag = u"[IMAGE SIZE]";
constexpr std::u16string_view kConverting = u"(파일 변환 중)";
constexpr std::u16string_view kSizeTitle = u"이미지 크기 오류";
constexpr std::u16string_view kStopped = u"작업이 중단되었습니다.\r\r";
constexpr std::u16string_view kTooWide =
    u"파일의 가로 길이가 32000픽셀이 넘습니다.\rPSB 형식만 32000픽셀 이상의 이미지를 지원합니다.";
constexpr std::u16string_view kTooTall =
    u"파일의 세로 길이가 32000픽셀이 넘습니다.\rPSB 형식만 32000픽셀 이상의 이미지를 지원합니다.";

// A converter command line. It is passed as the parameter string of the converter's
// command lines, each path in double quotes, unless a path holds a double quote or a line
// feed, which end a quoted word in the runner's splitting: then its words go one by one.
class ConverterCall {
 public:
  explicit ConverterCall(std::u16string_view command) { Word(u"-logfile").Word(u"-").Word(command); }
  ConverterCall& Word(std::u16string_view word) {
    if (!parameters_.empty()) parameters_ += u' ';
    parameters_ += word;
    words_.emplace_back(word);
    return *this;
  }
  ConverterCall& Path(std::u16string_view path) {
    parameters_ += u" \"";
    parameters_ += path;
    parameters_ += u'"';
    words_.emplace_back(path);
    splittable_ = splittable_ && QuotedWordSurvivesSplitting(path);
    return *this;
  }
  ProgramStart Start(int flags) const {
    const std::u16string& converter = TheSlicingJob().converter_path;
    if (splittable_) return StartProgram(converter, parameters_, u"", flags);
    return StartProgramWithArguments(converter, words_, u"", flags);
  }

 private:
  std::u16string parameters_;
  std::vector<std::u16string> words_;
  bool splittable_ = true;
};

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string lower(text);
  for (char16_t& c : lower) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return lower;
}

bool IsLayeredFormat(std::u16string_view lower_extension) {
  return lower_extension == u"psd" || lower_extension == u"psb";
}

// The height in an "[IMAGE SIZE]WxH" line: the first 12 characters are dropped and the
// text after the first "x" is read as a number. No "x" gives no height.
int64_t HeightFromSizeLine(std::u16string_view line) {
  std::u16string_view rest = line.size() > kSizeTag.size() ? line.substr(kSizeTag.size()) : u"";
  const size_t x = rest.find(u'x');
  if (x == std::u16string_view::npos) return 0;
  return TextToInt(rest.substr(x + 1));
}

// The width, before the "x" (0 without one).
int64_t WidthFromSizeLine(std::u16string_view line) {
  std::u16string_view rest = line.size() > kSizeTag.size() ? line.substr(kSizeTag.size()) : u"";
  return rest.find(u'x') == std::u16string_view::npos ? 0 : TextToInt(rest);
}

// What a run of the converter printed: the height of its last "[IMAGE SIZE]" line (0 for
// none) and, when it failed, its reason.
struct ConverterOutput {
  bool started = false;
  bool stopped = false;  // by the watch: it stayed quiet too long
  int status = -1;       // its exit status
  int64_t width = 0;
  int64_t height = 0;
  std::u16string failure;
};

// While the converter works the window stays painted; what the user does meanwhile is
// taken by the loop once the preparation is over (Escape then cancels the job).
constexpr auto kPaintInterval = std::chrono::milliseconds(20);

// Bytes in the work folder: a conversion that writes its strips is making progress even
// while it prints nothing.
uint64_t WorkFolderBytes() {
  uint64_t bytes = 0;
  const std::string folder = ToUtf8(TheSlicingJob().ledger.work_folder);
  if (folder.empty()) return 0;
  if (DIR* listing = opendir(folder.c_str())) {
    struct stat info {};
    while (const dirent* entry = readdir(listing)) {
      if (fstatat(dirfd(listing), entry->d_name, &info, 0) == 0) bytes += static_cast<uint64_t>(info.st_size);
    }
    closedir(listing);
  }
  return bytes;
}

// Runs the converter and reads its output until it ends, or stops it when it stays quiet
// past the limit. A conversion's log is passed on to the program's standard output, where
// it went before it was read.
ConverterOutput RunConverter(const ConverterCall& call, bool pass_on) {
  const std::u16string failed_line = FromUtf8(std::string(kConverterLogStart) + std::string(kConverterFailedWord));
  ConverterOutput output;
  Gui().PaintNow();  // the progress row as it stands before the wait begins
  ProgramStart start = call.Start(RunOpen | RunRead | RunHide);
  if (!start.record) return output;
  output.started = true;
  ProgramWatch watch;
  watch.quiet_limit_ms = TheSlicingJob().host.converter_quiet_limit_ms;
  watch.progress = WorkFolderBytes;
  auto painted = std::chrono::steady_clock::now();
  watch.keep_waiting = [&painted] {
    if (std::chrono::steady_clock::now() - painted >= kPaintInterval) {
      Gui().PaintNow();
      painted = std::chrono::steady_clock::now();
    }
    return true;
  };
  auto take_line = [&](const std::u16string& line) {
    if (line.find(kSizeTag) != std::u16string::npos) {
      output.width = WidthFromSizeLine(line);
      output.height = HeightFromSizeLine(line);
    }
    if (line.starts_with(failed_line)) output.failure = line.substr(failed_line.size());
    if (pass_on) std::fprintf(stdout, "%s\n", ToUtf8(line).c_str());
  };
  output.stopped = FollowProgram(start.record, take_line, watch) != ProgramEnd::Ended;
  output.status = ProgramExitStatus(start.record);
  ReleaseProgram(start.record);
  return output;
}

// Asks the converter for the size of the source's first image; 0 x 0 when it cannot be
// started or prints no size line. A converter that had to be stopped is this source's
// problem: it is then not converted.
ConverterOutput QuerySourceSize(std::u16string_view path) {
  const ConverterOutput output = RunConverter(ConverterCall(u"-info").Path(std::u16string(path) + u"[0]"), false);
  if (output.stopped) TheSlicingJob().conversion_problem = {JobProblem::ConverterStopped};
  return output;
}

int64_t QuerySourceHeight(std::u16string_view path) { return QuerySourceSize(path).height; }

// A size scaled to the wished width; the height follows the width's factor, which is held
// in single precision. Products round to nearest, halves to even.
std::pair<double, double> ScaledToWidth(int64_t width, int64_t height, int64_t wished) {
  const float factor = static_cast<float>(static_cast<double>(wished) / static_cast<double>(width));
  return {std::nearbyint(static_cast<double>(width) * factor), std::nearbyint(static_cast<double>(height) * factor)};
}

// A conversion into the job's work folder; what it said is kept for the reason of a load
// that then fails.
void RunConversion(std::u16string_view command, const std::u16string& source) {
  ProblemReason& problem = TheSlicingJob().conversion_problem;
  const std::u16string& folder = EnsureWorkFolder();
  if (folder.empty()) {
    problem = {JobProblem::NoWorkFolder};
    return;
  }
  const ConverterOutput output =
      RunConverter(ConverterCall(command).Path(source).Word(u"-configPath").Path(folder), true);
  std::fflush(stdout);
  if (!output.started) {
    problem = {JobProblem::ConverterNotStarted};
  } else if (output.stopped) {
    problem = {JobProblem::ConverterStopped};
  } else if (!output.failure.empty() || output.status != ConverterDone) {
    problem = {JobProblem::ConversionFailed, 0, output.status, output.failure};
  }
}

// Cuts the source into StripCount BMP strips in the work folder.
void ConvertToStrips(std::u16string_view lower_extension) {
  SlicingJob& job = TheSlicingJob();
  // Strips left by an earlier, interrupted source must never pass for this one's.
  EnsureWorkFolder();
  DeleteStripFiles(job.source_path);
  std::u16string source = job.source_path;
  if (IsLayeredFormat(lower_extension)) source += u"[0]";
  RunConversion(u"-convertSlice", source);
}

void ConvertWhole() {
  SlicingJob& job = TheSlicingJob();
  EnsureWorkFolder();
  DeleteFile(WholeConversionFileName(job.source_path));
  RunConversion(u"-convert", job.source_path);
}

}  // namespace

// A source that did not load is skipped, with its reason; none of its converter files
// may stay behind.
bool slicing_detail::SkipUnloadedSource(std::u16string_view load_path, const ProblemReason& reason) {
  SlicingJob& job = TheSlicingJob();
  if (job.strip_index != -1) DeleteStripFiles(job.source_path);
  job.strip_index = -1;
  if (job.delete_after_load) DeleteFile(load_path);
  job.delete_after_load = false;
  ImageFree(SourceImage);
  job.skipped_sources.push_back({job.source_path, reason});
  if (job.host.observer) job.host.observer->SourceSkipped(job.source_index, job.source_path, reason);
  return false;
}

namespace {

void CleanUpAfterLoad(std::u16string_view load_path) {
  SlicingJob& job = TheSlicingJob();
  if (job.strip_index == StripCount - 1) {
    // The last strip is in memory: from here on the source ends like any other.
    job.strip_index = -1;
    DeleteStripFiles(job.source_path);
  } else if (job.delete_after_load) {
    DeleteFile(load_path);
    job.delete_after_load = false;
  }
}

// Ends the job with the size message for the current source: too wide, or too tall.
void StopAtSizeLimit(bool too_wide) {
  SlicingJob& job = TheSlicingJob();
  std::u16string text(kStopped);
  text += FilePart(job.source_path);
  text += too_wide ? kTooWide : kTooTall;
  Gui().MessageBox(kSizeTitle, text, gui::MessageIcon::Stop);
  if (job.host.observer) job.host.observer->SizeLimitStop(job.source_path, too_wide);
  if (job.strip_index != -1) DeleteStripFiles(job.source_path);
  job.strip_index = -1;
  // The stop drops the open piece; a later job starts clean.
  job.streamed.reset();
  ImageFree(SourceImage);
  ImageFree(PieceImage);
  job.carry_height = 0;
  job.pending_leftover = false;
  job.segment_list.clear();
  job.piece_rows.clear();
  RemoveUnusedOutputFolder();  // no piece of this source was cut: an empty folder would only puzzle
  job.job_state = JobIdle;
  FinishJob();
}

// False (and the job ended with the size message) when SourceImage reports a negative
// size, that is 32768 pixels or more in one dimension.
bool WithinSizeLimits() {
  SlicingJob& job = TheSlicingJob();
  job.source_width = ImageGetWidth(SourceImage);
  job.source_height = ImageGetHeight(SourceImage);
  if (job.source_width >= 0 && job.source_height >= 0) return true;
  StopAtSizeLimit(job.source_width < 0);
  return false;
}

// Scales the source to the wished width; the height follows the width's factor, which is
// held in single precision. Products round to nearest, halves to even. A target beyond
// what the store can report stops the job with the size message before any resizing; a
// resize that fails skips the source.
enum class ResizeOutcome { Done, SizeStop, Skipped };
ResizeOutcome ResizeSource(std::u16string_view load_path) {
  constexpr double kLargestSide = 32767;
  SlicingJob& job = TheSlicingJob();
  job.settings.resize = true;
  job.settings.resize_width =
      static_cast<int32_t>(std::clamp<int64_t>(FieldValue(gui::CtlWidthField), INT32_MIN, INT32_MAX));
  const auto [width, height] = ScaledToWidth(job.source_width, job.source_height, job.settings.resize_width);
  if (width > kLargestSide || height > kLargestSide) {
    StopAtSizeLimit(width > kLargestSide);
    return ResizeOutcome::SizeStop;
  }
  if (width < 1 || height < 1 ||
      ImageResize(SourceImage, static_cast<int32_t>(width), static_cast<int32_t>(height), ResizeSmooth,
                  ResizeParts()) == 0) {
    SkipUnloadedSource(load_path, {JobProblem::NotResized});
    return ResizeOutcome::Skipped;
  }
  job.source_width = ImageGetWidth(SourceImage);
  job.source_height = ImageGetHeight(SourceImage);
  return ResizeOutcome::Done;
}

// The progress row for the source (or strip) about to be prepared, painted at once: the
// preparation blocks the loop until the source is loaded.
void ShowSourceStart() {
  SlicingJob& job = TheSlicingJob();
  job.cursor_y = 0;
  ShowCutProgress();
  Gui().SetText(gui::CtlProgressText, FilePart(job.source_path));
  Gui().PaintNow();
}

// Chooses what to load for the next source (or strip) and runs the converter when the
// source needs it. Returns the path to load.
std::u16string ConvertIfNeeded() {
  SlicingJob& job = TheSlicingJob();
  std::u16string load_path;
  int64_t reported_height = 0;
  bool present = true;
  if (job.strip_index == -1) {
    const std::u16string next = ListRowPath(job.source_index);
    if (FolderPart(job.source_path) != FolderPart(next)) job.piece_counter = 0;
    job.source_path = next;
    job.strip_first_row = 0;
    job.conversion_problem = {};
    load_path = next;
    // A file that is not there needs no converter to say so.
    present = IdentityOf(next).has_value();
    ShowSourceStart();
    if (present) reported_height = QuerySourceHeight(next);
    present = present && !job.conversion_problem;
  } else {
    ++job.strip_index;
    --job.source_index;  // the row stays the same
    job.strip_first_row += job.source_height;
    load_path = StripFileName(job.source_path, job.strip_index);
    ShowSourceStart();
  }
  if (!present) return load_path;
  const std::u16string extension = LowerAscii(ExtensionPart(load_path));
  if (reported_height > StripThreshold || IsLayeredFormat(extension)) {
    Gui().SetText(gui::CtlProgressText, std::u16string(FilePart(job.source_path)) + std::u16string(kConverting));
  }
  if (reported_height > StripThreshold) {
    ConvertToStrips(extension);
    job.strip_index = 0;
    load_path = StripFileName(job.source_path, 0);
  } else if (IsLayeredFormat(extension)) {
    ConvertWhole();
    load_path = WholeConversionFileName(job.source_path);
    job.delete_after_load = true;
  }
  return load_path;
}

}  // namespace

bool PrepareNextSource() {
  SlicingJob& job = TheSlicingJob();
  job.delete_after_load = false;
  const std::u16string load_path = ConvertIfNeeded();
  if (Gui().Text(gui::CtlProgressText) != FilePart(job.source_path)) {
    Gui().SetText(gui::CtlProgressText, FilePart(job.source_path));
    Gui().PaintNow();
  }
  if (job.conversion_problem.problem == JobProblem::ConverterStopped) {
    // What a stopped converter left (strips it finished, unfinished files) is never loaded.
    ReleaseWorkFolder();
    return SkipUnloadedSource(load_path, job.conversion_problem);
  }
  LoadFailure failure = LoadFailure::None;
  if (!LoadSource(load_path, &failure)) {
    return SkipUnloadedSource(load_path, LoadProblem(failure, load_path != job.source_path));
  }
  CleanUpAfterLoad(load_path);
  SetUpOutputSide();
  if (!WithinSizeLimits()) return true;
  if (ControlChecked(gui::CtlResizeCheck)) {
    const ResizeOutcome resized = ResizeSource(load_path);
    if (resized != ResizeOutcome::Done) return resized == ResizeOutcome::SizeStop;
  } else {
    job.settings.resize = false;
  }
  job.cursor_y = 0;
  job.job_state = JobRunning;
  if (job.settings.slice_mode == SliceCutDetect) job.cursor_y = std::min<int64_t>(0, job.source_height - 1);
  NoteLoadedSource();
  return true;
}

namespace slicing_detail {

std::pair<int64_t, int64_t> SourceSizeAsCut(std::u16string_view path) {
  const ConverterOutput size = QuerySourceSize(path);
  if (size.width <= 0 || size.height <= 0 || !ControlChecked(gui::CtlResizeCheck)) return {size.width, size.height};
  const auto [width, height] = ScaledToWidth(size.width, size.height, FieldValue(gui::CtlWidthField));
  return {static_cast<int64_t>(width), static_cast<int64_t>(height)};
}

// Converter files are named only inside the job's work folder; without one there are none.
std::u16string StripFileName(std::u16string_view source_path, int index) {
  const std::u16string& folder = TheSlicingJob().ledger.work_folder;
  return folder.empty() ? u"" : folder + ConvertedStripName(BaseName(source_path), index);
}

std::u16string WholeConversionFileName(std::u16string_view source_path) {
  const std::u16string& folder = TheSlicingJob().ledger.work_folder;
  return folder.empty() ? u"" : folder + ConvertedWholeName(BaseName(source_path));
}

void DeleteStripFiles(std::u16string_view source_path) {
  for (int i = 0; i <= StripCount; ++i) DeleteFile(StripFileName(source_path, i));
}

void DeleteFile(std::u16string_view path) {
  if (!path.empty()) unlink(ToUtf8(path).c_str());  // a missing file is fine
}

}  // namespace slicing_detail
}  // namespace zen
