// Following a program to its end with a watchdog: its output is taken as it comes, without
// ever blocking on a line, so that a program that hangs can be stopped.
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/output_decoding.h"
#include "platform/program_records.h"
#include "platform/program_runner.h"

namespace zen {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kPollPause = std::chrono::milliseconds(2);

// The bytes of the line under way (at most ProgramLineLimit of them kept) and how the
// complete ones are handed on.
class LineCollector {
 public:
  explicit LineCollector(const std::function<void(const std::u16string&)>& on_line) : on_line_(on_line) {}

  void Take(int byte) {
    if (byte == '\n') {
      Deliver();
      return;
    }
    if (length_ < ProgramLineLimit) bytes_.push_back(static_cast<char>(byte));
    ++length_;
  }
  // The last line, when the output ended without a line feed.
  void Finish() {
    if (length_ > 0) Deliver();
  }

 private:
  void Deliver() {
    std::u16string line;
    size_t at = 0;
    auto next = [this, &at] { return at < bytes_.size() ? static_cast<uint8_t>(bytes_[at++]) : -1; };
    char16_t units[2];
    for (int n; (n = DecodeCharacter(next, units)) > 0;) line.append(units, static_cast<size_t>(n));
    bytes_.clear();
    length_ = 0;
    if (on_line_) on_line_(line);
  }

  const std::function<void(const std::u16string&)>& on_line_;
  std::string bytes_;
  int64_t length_ = 0;
};

// Moves what the pipe holds now into the lines (at most a bounded amount, so that a flood
// of output still lets the watch look in); whether any byte came.
bool TakeAvailable(PipeReader* output, LineCollector& lines) {
  if (output == nullptr) return false;
  constexpr int kMostPerTurn = 64 * 1024;
  int taken = 0;
  for (output->Fill(); output->Count() > 0 && taken < kMostPerTurn; output->Fill()) {
    for (; output->Count() > 0; ++taken) lines.Take(output->ReadByte());
  }
  return taken > 0;
}

ProgramEnd Stop(ProgramRecord* record, ProgramEnd why) {
  if (!ProgramHasEnded(record)) kill(record->processId, SIGKILL);
  WaitUntilEnded(record, -1);
  return why;
}

}  // namespace

ProgramEnd FollowProgram(ProgramRecord* record, const std::function<void(const std::u16string&)>& on_line,
                         const ProgramWatch& watch) {
  if (record == nullptr) return ProgramEnd::Ended;
  LineCollector lines(on_line);
  const auto limit = std::chrono::milliseconds(watch.quiet_limit_ms);
  auto last_sign = Clock::now();
  uint64_t progress = watch.progress ? watch.progress() : 0;
  for (;;) {
    // Looked at before the reading: all a program wrote before it ended is in the pipe.
    const bool ended = ProgramHasEnded(record);
    const bool came = TakeAvailable(record->output, lines);
    if (came) {
      last_sign = Clock::now();
    } else if (ended) {
      break;
    }
    if (watch.keep_waiting && !watch.keep_waiting()) return Stop(record, ProgramEnd::Cancelled);
    if (came) continue;
    if (watch.quiet_limit_ms > 0 && Clock::now() - last_sign > limit) {
      const uint64_t now_at = watch.progress ? watch.progress() : progress;
      if (now_at == progress) return Stop(record, ProgramEnd::Stalled);
      progress = now_at;
      last_sign = Clock::now();
    }
    std::this_thread::sleep_for(kPollPause);
  }
  lines.Finish();
  return ProgramEnd::Ended;
}

}  // namespace zen
