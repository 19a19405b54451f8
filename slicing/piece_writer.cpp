// Naming and writing pieces, and the output side of each source: the folder that receives
// its pieces, the quality and the file-name prefix.
#include <sys/stat.h>

#include <algorithm>

#include "imaging/codecs.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"
#include "sources/path_helpers.h"

namespace zen {
namespace {

using gui::Gui;
using namespace slicing_detail;

constexpr std::u16string_view kSourceFolderName = u"[원본 폴더명]";
constexpr std::u16string_view kSourceFolderNameUnderscore = u"[원본 폴더명_]";

// The piece number zero-padded to DigitNumber digits, never cut. The field is read again
// at every test, as the user may edit it while the job runs.
std::u16string PaddedNumber(int64_t number) {
  SlicingJob& job = TheSlicingJob();
  std::u16string digits = IntToText(number);
  int64_t length_plus_one = static_cast<int64_t>(digits.size()) + 1;
  while (true) {
    job.settings.digit_number = FieldValue(gui::CtlDigitsField);
    if (job.settings.digit_number < length_plus_one) break;
    digits.insert(digits.begin(), u'0');
    ++length_plus_one;
  }
  return digits;
}

// A piece never replaces one of the sources in the list (possible when a settings file
// names an empty output folder, so that pieces land beside the sources).
bool IsListedSource(const std::u16string& path) {
  const int64_t rows = ListRowCount();
  for (int64_t row = 0; row < rows; ++row) {
    if (ListRowPath(row) == path) return true;
  }
  return false;
}

void ReportPiece(const std::u16string& path, ImageId n, bool written) {
  SlicingJob& job = TheSlicingJob();
  if (!written) ++job.failed_pieces;
  if (job.host.observer) {
    PieceReport report{path, ImageGetWidth(n), ImageGetHeight(n), written, job.piece_rows};
    job.host.observer->PieceSaved(report);
  }
  job.piece_rows.clear();
}

}  // namespace

void SavePiece(ImageId n) {
  SlicingJob& job = TheSlicingJob();
  ++job.piece_counter;
  std::u16string path = job.output_folder + u"/" + job.settings.file_prefix + PaddedNumber(job.piece_counter);
  job.settings.save_extension = Gui().State(gui::CtlFormatBox);
  const bool jpeg = job.settings.save_extension == 0;
  path += jpeg ? u".jpg" : u".png";
  bool written = true;
  if (IsListedSource(path)) {
    written = false;
  } else if (!job.host.dry_run) {
    written = jpeg ? ImageSave(n, path, CodecJpeg, job.settings.jpg_quality, -1) != 0
                   : ImageSave(n, path, CodecPng, 7, -1) != 0;
  } else {
    written = FindImage(n) != nullptr;
  }
  ReportPiece(path, n, written);
}

namespace slicing_detail {

void SetUpOutputSide() {
  SlicingJob& job = TheSlicingJob();
  JobSettings& settings = job.settings;
  const std::u16string parent(ParentFolderName(job.source_path));
  if (Gui().Text(gui::CtlFolderBox) == kSourceFolderName) {
    settings.folder_name = parent;
  } else {
    settings.folder_name = job.folder_text_at_start;
  }
  job.output_folder = std::u16string(FolderPart(job.source_path)) + settings.folder_name;
  if (!job.host.dry_run) mkdir(ToUtf8(job.output_folder).c_str(), 0700);  // may exist already
  // The encoder clamps to 0..10; clamping here only keeps a wild value from wrapping.
  settings.jpg_quality = static_cast<int32_t>(std::clamp<int64_t>(FieldValue(gui::CtlQualityField), -1000, 1000));
  const std::u16string prefix_box = Gui().Text(gui::CtlPrefixBox);
  if (prefix_box == kSourceFolderName) {
    settings.file_prefix = parent;
  } else if (prefix_box == kSourceFolderNameUnderscore) {
    settings.file_prefix = parent + u"_";
  } else {
    settings.file_prefix = job.prefix_text_at_start;
  }
}

}  // namespace slicing_detail
}  // namespace zen
