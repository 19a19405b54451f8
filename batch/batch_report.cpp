#include "batch/batch_report.h"

#include <algorithm>
#include <cstdio>

#include "platform/text.h"
#include "sources/path_helpers.h"

namespace zen::batch {

void BatchReport::PieceSaved(const PieceReport& piece) {
  pieces_.push_back(piece);
  if (on_change) on_change();
}

void BatchReport::SourceSkipped(int64_t /*row*/, std::u16string_view path) {
  skipped_.emplace_back(path);
  if (on_change) on_change();
}

void BatchReport::SizeLimitStop(std::u16string_view path, bool /*width_exceeded*/) { stopped_ = std::u16string(path); }

std::vector<std::u16string> BatchReport::failed() const {
  std::vector<std::u16string> paths;
  for (const PieceReport& piece : pieces_) {
    if (!piece.written) paths.push_back(piece.path);
  }
  return paths;
}

std::vector<std::pair<std::u16string, int>> BatchReport::FolderCounts() const {
  std::vector<std::pair<std::u16string, int>> counts;
  for (const PieceReport& piece : pieces_) {
    std::u16string folder(FolderPart(piece.path));
    if (folder.size() > 1 && folder.back() == u'/') folder.pop_back();
    auto entry = std::find_if(counts.begin(), counts.end(), [&](const auto& e) { return e.first == folder; });
    if (entry == counts.end()) {
      counts.emplace_back(folder, 1);
    } else {
      ++entry->second;
    }
  }
  return counts;
}

std::string JsonString(std::u16string_view text) {
  const std::string utf8 = ToUtf8(text);
  std::string out = "\"";
  for (unsigned char c : utf8) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
          out += escaped;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
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

std::string StringList(const std::vector<std::u16string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) {
    if (i) out += ", ";
    out += JsonString(items[i]);
  }
  return out + "]";
}

}  // namespace

std::string BatchReport::ToJson() const {
  std::string out = "{\"pieces\": [";
  for (size_t i = 0; i < pieces_.size(); ++i) {
    if (i) out += ", ";
    out += PieceJson(pieces_[i]);
  }
  out += "], \"skipped\": " + StringList(skipped_) + ", \"failed\": " + StringList(failed()) + ", \"stopped\": ";
  out += stopped_ ? JsonString(*stopped_) : std::string("null");
  return out + "}";
}

}  // namespace zen::batch
