#include "batch/batch_report.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "planning/plan_json.h"
#include "platform/json.h"
#include "platform/text.h"
#include "sources/path_helpers.h"

namespace zen::batch {

void BatchReport::PieceSaved(const PieceReport& piece) {
  pieces_.push_back(piece);
  if (on_change) on_change();
}

void BatchReport::SourceSkipped(int64_t /*row*/, std::u16string_view path, const ProblemReason& reason) {
  skipped_.push_back({std::u16string(path), reason});
  if (on_change) on_change();
}

void BatchReport::StalePiecesFound(const StalePieces& stale) { stale_.push_back(stale); }

void BatchReport::SizeLimitStop(std::u16string_view path, bool /*width_exceeded*/) { stopped_ = std::u16string(path); }

std::vector<FileProblem> BatchReport::failed() const {
  std::vector<FileProblem> files;
  for (const PieceReport& piece : pieces_) {
    if (!piece.written) files.push_back({piece.path, piece.reason});
  }
  return files;
}

namespace {

// The converter's own words, or what its exit status tells when it gave none (it crashed).
std::string ConversionFailureText(const ProblemReason& reason) {
  if (!reason.detail.empty()) return "the converter failed: " + ToUtf8(reason.detail);
  if (reason.converter_status < 0) return "the converter ended abnormally";
  return "the converter failed with exit status " + std::to_string(reason.converter_status);
}

}  // namespace

std::string ReasonText(const ProblemReason& reason) {
  switch (reason.problem) {
    case JobProblem::None: return "";
    case JobProblem::SourceMissing: return "file not found";
    case JobProblem::SourceNotReadable: return "file cannot be opened";
    case JobProblem::NotAnImage: return "not a JPEG, PNG, PSD or PSB image";
    case JobProblem::DamagedImage: return "damaged image data";
    case JobProblem::TooLarge: return "image too large to load";
    case JobProblem::ConverterNotStarted: return "the converter could not be started";
    case JobProblem::ConversionFailed: return ConversionFailureText(reason);
    case JobProblem::ConverterStopped: return "the converter printed and wrote nothing for too long and was stopped";
    case JobProblem::NoWorkFolder: return "the converter's work folder could not be made";
    case JobProblem::NotResized: return "the image could not be scaled to the wished width";
    case JobProblem::ConverterWroteNothing: return "the converter wrote no image";
    case JobProblem::WouldReplaceSource: return "it would replace a source file";
    case JobProblem::WrittenTwice: return "this path was already written earlier in this job";
    case JobProblem::NoPieceImage: return "the piece image could not be made";
    case JobProblem::NotWritten:
      return std::string("cannot write: ") + (reason.system_error ? std::strerror(reason.system_error) : "error");
  }
  return "";
}

std::vector<BatchReport::FolderCount> BatchReport::FolderCounts() const {
  std::vector<FolderCount> counts;
  for (const PieceReport& piece : pieces_) {
    std::u16string folder(FolderPart(piece.path));
    if (folder.size() > 1 && folder.back() == u'/') folder.pop_back();
    auto entry = std::find_if(counts.begin(), counts.end(), [&](const auto& e) { return e.folder == folder; });
    if (entry == counts.end()) entry = counts.insert(counts.end(), FolderCount{folder});
    ++(piece.written ? entry->written : entry->failed);
  }
  return counts;
}

namespace {

std::string PieceJson(const PieceReport& piece) {
  std::string out = "{\"path\": " + JsonString(piece.path) + ", \"width\": " + std::to_string(piece.width) +
                    ", \"height\": " + std::to_string(piece.height) + ", \"parts\": [";
  for (size_t i = 0; i < piece.rows.size(); ++i) {
    const PieceRows& part = piece.rows[i];
    if (i) out += ", ";
    out += "{\"source\": " + JsonString(part.source_path) + ", \"top\": " + std::to_string(part.first_row) +
           ", \"rows\": " + std::to_string(part.row_count) + "}";
  }
  return out + "]}";
}

std::string ProblemList(const std::vector<FileProblem>& files) {
  std::string out = "[";
  for (size_t i = 0; i < files.size(); ++i) {
    if (i) out += ", ";
    out += "{\"path\": " + JsonString(files[i].path) +
           ", \"reason\": " + JsonString(FromUtf8(ReasonText(files[i].reason))) + "}";
  }
  return out + "]";
}

std::string StaleList(const std::vector<StalePieces>& groups) {
  std::string out = "[";
  for (const StalePieces& group : groups) {
    for (const std::u16string& path : group.paths) {
      if (out.size() > 1) out += ", ";
      out += JsonString(path);
    }
  }
  return out + "]";
}

}  // namespace

std::string BatchReport::ToJson() const {
  // A piece not written is listed under "failed" only.
  std::string out = "{\"pieces\": [";
  bool first = true;
  for (const PieceReport& piece : pieces_) {
    if (!piece.written) continue;
    if (!first) out += ", ";
    out += PieceJson(piece);
    first = false;
  }
  out += "], \"skipped\": " + ProblemList(skipped_) + ", \"failed\": " + ProblemList(failed()) +
         ", \"stale_pieces\": " + StaleList(stale_) + ", \"stopped\": ";
  out += stopped_ ? JsonString(*stopped_) : std::string("null");
  return out + ", \"runs\": " + PlanRunsJson(plan_) + "}";
}

}  // namespace zen::batch
