// What the job tells the user at its end: each piece not written and each source not
// loaded with its reason, and the pieces of an earlier run left in a folder.
#include <cerrno>

#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "slicing/converter_status.h"
#include "slicing/job_internal.h"
#include "sources/path_helpers.h"

namespace zen::slicing_detail {
namespace {

using gui::Gui;

constexpr std::u16string_view kErrorTitle = u"작업 오류";
constexpr std::u16string_view kNoticeTitle = u"알림";
constexpr std::u16string_view kUnsavedPrefix = u"저장하지 못한 파일: ";
constexpr std::u16string_view kCountSuffix = u"개";
constexpr std::u16string_view kUnloaded = u"불러오지 못한 파일:";
constexpr int kMostFileLines = 20;

std::u16string WriteErrorText(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT: return u"저장 공간이 부족합니다.";
    case EACCES:
    case EPERM:
    case EROFS: return u"저장 폴더에 쓸 권한이 없습니다.";
    case ENOENT:
    case ENOTDIR: return u"저장 폴더를 만들지 못했습니다.";
    case EISDIR: return u"같은 이름의 폴더가 있습니다.";
    default: return u"파일을 쓰지 못했습니다.";
  }
}

// Adds the lines of one list, within what is left of the line budget; the files past it
// are counted.
void AddFileLines(std::u16string& text, const std::vector<FileProblem>& files, int& budget) {
  int shown = 0;
  for (const FileProblem& file : files) {
    if (budget == 0) break;
    text += u"\r";
    text += FilePart(file.path);
    text += u": ";
    text += ProblemText(file.reason);
    --budget;
    ++shown;
  }
  if (shown < static_cast<int>(files.size())) {
    text += u"\r외 " + IntToText(static_cast<int64_t>(files.size()) - shown) + std::u16string(kCountSuffix);
  }
}

}  // namespace

std::u16string ProblemText(const ProblemReason& reason) {
  switch (reason.problem) {
    case JobProblem::None: return u"";
    case JobProblem::SourceMissing: return u"파일이 없습니다.";
    case JobProblem::SourceNotReadable: return u"파일을 열 수 없습니다.";
    case JobProblem::NotAnImage: return u"지원하지 않는 형식의 파일입니다.";
    case JobProblem::DamagedImage: return u"이미지 데이터가 손상되었습니다.";
    case JobProblem::TooLarge: return u"이미지가 너무 커서 불러올 수 없습니다.";
    case JobProblem::ConverterNotStarted: return u"변환 프로그램을 실행하지 못했습니다.";
    case JobProblem::ConversionFailed: {
      const std::u16string_view known = ConverterFailureText(reason.converter_status);
      if (!known.empty()) return std::u16string(known);
      return reason.detail.empty() ? u"변환하지 못했습니다." : u"변환하지 못했습니다. (" + reason.detail + u")";
    }
    case JobProblem::ConverterStopped: return u"변환 프로그램이 응답하지 않아 중지했습니다.";
    case JobProblem::NoWorkFolder: return u"변환에 쓸 작업 폴더를 만들지 못했습니다.";
    case JobProblem::NotResized: return u"이미지를 지정한 가로 크기로 바꾸지 못했습니다.";
    case JobProblem::ConverterWroteNothing: return u"변환된 파일이 없습니다.";
    case JobProblem::WouldReplaceSource: return u"원본 파일을 덮어쓰게 되어 저장하지 않았습니다.";
    case JobProblem::WrittenTwice: return u"이 작업에서 이미 저장한 파일이라 덮어쓰지 않았습니다.";
    case JobProblem::NoPieceImage: return u"조각 이미지를 만들지 못했습니다.";
    case JobProblem::NotWritten: return WriteErrorText(reason.system_error);
  }
  return u"";
}

ProblemReason LoadProblem(LoadFailure failure, bool converted) {
  const SlicingJob& job = TheSlicingJob();
  if (converted && job.conversion_problem) return job.conversion_problem;
  if (converted && failure == LoadFailure::Missing) return {JobProblem::ConverterWroteNothing};
  switch (failure) {
    case LoadFailure::Missing: return {JobProblem::SourceMissing};
    case LoadFailure::NotReadable: return {JobProblem::SourceNotReadable};
    case LoadFailure::NotAnImage: return {JobProblem::NotAnImage};
    case LoadFailure::TooLarge: return {JobProblem::TooLarge};
    default: return {JobProblem::DamagedImage};
  }
}

void ShowJobReport() {
  const SlicingJob& job = TheSlicingJob();
  std::u16string text;
  int budget = kMostFileLines;
  if (!job.failed_pieces.empty()) {
    text += kUnsavedPrefix;
    text += IntToText(static_cast<int64_t>(job.failed_pieces.size()));
    text += kCountSuffix;
    AddFileLines(text, job.failed_pieces, budget);
  }
  if (!job.skipped_sources.empty()) {
    if (!text.empty()) text += u"\r\r";
    text += kUnloaded;
    AddFileLines(text, job.skipped_sources, budget);
  }
  const bool errors = !text.empty();
  for (size_t i = 0; i < job.stale_pieces.size(); ++i) {
    const StalePieces& stale = job.stale_pieces[i];
    if (!text.empty()) text += i == 0 ? u"\r\r" : u"\r";
    text += u"이전 작업의 조각 파일 " + IntToText(static_cast<int64_t>(stale.paths.size())) + u"개가 남아 있습니다: " +
            stale.folder;
  }
  if (text.empty()) return;
  Gui().MessageBox(errors ? kErrorTitle : kNoticeTitle, text,
                   errors ? gui::MessageIcon::Stop : gui::MessageIcon::Plain);
}

}  // namespace zen::slicing_detail
