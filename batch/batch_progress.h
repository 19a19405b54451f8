#pragma once
// A one-line progress bar on a terminal: sources done, the current file, pieces, time.
#include <cstdint>
#include <cstdio>

#include "batch/batch_report.h"

namespace zen::batch {

class BatchProgress {
 public:
  BatchProgress(const BatchReport& report, std::FILE* stream, bool enabled);
  void Update();  // redraws at most ten times a second
  void Finish();  // clears the line

 private:
  void Draw();

  const BatchReport& report_;
  std::FILE* stream_;
  bool enabled_;
  int64_t started_ms_;
  int64_t drawn_ms_ = -1000;
};

}  // namespace zen::batch
