#include "batch/batch_progress.h"

#include <string>

#include "platform/clock.h"
#include "platform/text.h"
#include "slicing/slicing_job.h"
#include "sources/path_helpers.h"
#include "sources/source_list.h"

namespace zen::batch {

BatchProgress::BatchProgress(const BatchReport& report, std::FILE* stream, bool enabled)
    : report_(report), stream_(stream), enabled_(enabled), started_ms_(ElapsedMs()) {}

void BatchProgress::Update() {
  if (!enabled_) return;
  const int64_t now = ElapsedMs();
  if (now - drawn_ms_ < 100) return;
  drawn_ms_ = now;
  Draw();
}

void BatchProgress::Draw() {
  const SlicingJob& job = TheSlicingJob();
  const int rows = SourceRowCount();
  const int64_t current = std::min<int64_t>(job.source_index + 1, rows);
  constexpr int BarWidth = 24;
  const int filled = rows > 0 ? static_cast<int>(BarWidth * (current - 1) / rows) : 0;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.resize(BarWidth, '-');
  const std::string name = ToUtf8(FilePart(job.source_path));
  std::fprintf(stream_, "\r\033[K[%s] %lld/%d %s  %zu pieces  %.1f s", bar.c_str(), static_cast<long long>(current),
               rows, name.c_str(), report_.pieces().size(), static_cast<double>(ElapsedMs() - started_ms_) / 1000.0);
  std::fflush(stream_);
}

void BatchProgress::Finish() {
  if (!enabled_) return;
  std::fprintf(stream_, "\r\033[K");
  std::fflush(stream_);
}

}  // namespace zen::batch
