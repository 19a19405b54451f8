// Naming and writing pieces, and the output side of each source: the folder that receives
// its pieces, the quality and the file-name prefix.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "imaging/codecs.h"
#include "platform/file_identity.h"
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

// Where a piece goes, as the ledger keeps its names: the folder by identity (however the
// path spells it) and the file name.
std::optional<std::pair<FileIdentity, std::u16string>> PlaceOf(const std::u16string& path) {
  const std::optional<FileIdentity> folder = IdentityOf(FolderPart(path));
  if (!folder) return std::nullopt;
  return std::pair{*folder, std::u16string(FilePart(path))};
}

// Whether the piece may go to path: never over a source of the job (however the path is
// spelt, through links too), never to a name this job gave a piece before, nor over a
// piece it wrote. The name is taken here, as the piece may still be on its way when the
// next one is named.
ProblemReason CheckPieceTarget(const std::u16string& path) {
  JobLedger& ledger = TheSlicingJob().ledger;
  if (DryRun() && ledger.dry_run_written.count(NormalisedPath(path))) {
    return {JobProblem::WrittenTwice};
  }
  const std::optional<std::pair<FileIdentity, std::u16string>> place = PlaceOf(path);
  if (!DryRun() && place && ledger.named.count(*place)) return {JobProblem::WrittenTwice};
  if (const std::optional<FileIdentity> target = IdentityOf(path)) {
    if (ledger.written.count(*target)) return {JobProblem::WrittenTwice};
    if (IsSourceOfJob(*target)) return {JobProblem::WouldReplaceSource};
  }
  if (!DryRun() && place) ledger.named.insert(*place);
  return {};
}

void RecordWritten(const std::u16string& path) {
  JobLedger& ledger = TheSlicingJob().ledger;
  if (DryRun()) {
    ledger.dry_run_written.insert(NormalisedPath(path));
  } else if (const std::optional<FileIdentity> identity = IdentityOf(path)) {
    ledger.written.insert(*identity);
  }
}

// A piece going to another folder, prefix or extension ends the run of the pieces before
// it; the files that run left behind are looked for then.
void FollowPieceRun(const std::u16string& extension) {
  SlicingJob& job = TheSlicingJob();
  PieceRun& run = job.ledger.run;
  if (run.folder != job.output_folder || run.prefix != job.settings.file_prefix || run.extension != extension) {
    EndPieceRun();
    run = PieceRun{job.output_folder, job.settings.file_prefix, extension, 0};
  }
  ++run.pieces;
  if (!DryRun() && job.ledger.cleaned_folders.insert(job.output_folder).second) {
    RemoveDeadTemporaryFiles(job.output_folder);
  }
}

}  // namespace

// Numbering, the name and the checks happen here, in the job's order; the image is then
// taken out of the table and handed over to be written.
void SavePiece(ImageId n) {
  SlicingJob& job = TheSlicingJob();
  ++job.piece_counter;
  std::u16string path = job.output_folder + u"/" + job.settings.file_prefix + PaddedNumber(job.piece_counter);
  job.settings.save_extension = Gui().State(gui::CtlFormatBox);
  const bool jpeg = job.settings.save_extension == 0;
  const std::u16string extension = jpeg ? u"jpg" : u"png";
  path += u"." + extension;
  FollowPieceRun(extension);
  RecordPieceCut();  // before the report takes the piece's rows
  PieceReport report{path,  ImageGetWidth(n),       ImageGetHeight(n),
                     false, CheckPieceTarget(path), std::exchange(job.piece_rows, {})};
  if (!report.reason && !FindImage(n)) report.reason = {JobProblem::NoPieceImage};
  if (report.reason || DryRun()) {
    HandOverPiece(std::move(report), std::nullopt);
    return;
  }
  PieceToWrite write{ImageTake(n), path, jpeg ? CodecJpeg : CodecPng, jpeg ? job.settings.jpg_quality : 7,
                     ++job.ledger.temporary_count};
  HandOverPiece(std::move(report), std::move(write));
}

namespace slicing_detail {

void PieceDelivered(const PieceReport& report) {
  SlicingJob& job = TheSlicingJob();
  if (report.written) {
    RecordWritten(report.path);
  } else {
    GiveBackPieceName(report);
    job.failed_pieces.push_back({report.path, report.reason});
  }
  if (job.host.observer) job.host.observer->PieceSaved(report);
}

// A name whose write failed may be tried again; one refused as written twice was never taken.
void GiveBackPieceName(const PieceReport& report) {
  if (report.reason.problem == JobProblem::WrittenTwice) return;
  if (const auto place = PlaceOf(report.path)) TheSlicingJob().ledger.named.erase(*place);
}

// Every row of the list counts, looked up once per path.
bool IsSourceOfJob(const FileIdentity& target) {
  JobLedger& ledger = TheSlicingJob().ledger;
  const int64_t rows = ListRowCount();
  for (int64_t row = 0; row < rows; ++row) {
    const std::u16string path = ListRowPath(row);
    auto known = ledger.sources.find(path);
    if (known == ledger.sources.end()) {
      const std::optional<FileIdentity> identity = IdentityOf(path);
      if (!identity) continue;
      known = ledger.sources.emplace(path, *identity).first;
    }
    if (known->second == target) return true;
  }
  return false;
}

std::u16string NormalisedPath(const std::u16string& path) {
  // The name itself is not followed: a link there is replaced by the piece, not written through.
  const std::filesystem::path given = std::filesystem::path(ToUtf8(path)).lexically_normal();
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::weakly_canonical(given.parent_path(), error);
  return FromUtf8(error ? given.string() : (folder / given.filename()).string());
}

void RemoveUnusedOutputFolder() {
  SlicingJob& job = TheSlicingJob();
  if (job.made_output_folder) rmdir(ToUtf8(job.output_folder).c_str());  // fails, harmlessly, when not empty
  job.made_output_folder = false;
}

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
  job.made_output_folder = !DryRun() && mkdir(ToUtf8(job.output_folder).c_str(), 0700) == 0;  // may exist already
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
