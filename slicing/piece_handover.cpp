// Pieces handed over to the job's workers and their results, taken in the order the pieces
// were handed over: numbering, names and the report's order are those of one thread. The
// workers hold at most (workers + 1) pieces; a piece that finds them full is written on
// the loop's thread, so no step ever waits for a worker. Only the end of a job waits.
#include <atomic>
#include <chrono>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

#include "slicing/job_internal.h"
#include "slicing/slicing_job.h"
#include "slicing/worker_pool.h"

namespace zen::slicing_detail {

namespace {

// Longest a step waits for the workers to take another piece before the loop turns.
constexpr std::chrono::milliseconds kRoomWait{8};

// A piece on its way: the worker fills in the problem, then sets done.
struct PieceWrite {
  explicit PieceWrite(PieceToWrite order) : piece(std::move(order)) {}
  PieceToWrite piece;
  ProblemReason problem;
  std::atomic<bool> done{false};
};

// One result to deliver: a piece (written by a worker, or with its result known at once),
// or the end of a run of pieces, whose stale files are looked for after its pieces.
struct Handed {
  PieceReport report;
  std::shared_ptr<PieceWrite> write;  // null: the report holds the result
  std::optional<PieceRun> ended_run;
};

}  // namespace

struct HandedPieces {
  explicit HandedPieces(int workers) : pool(workers) {}
  std::deque<Handed> handed;  // the loop's thread only
  WorkerPool pool;
};

namespace {

HandedPieces& Handing() {
  std::shared_ptr<HandedPieces>& handed = TheSlicingJob().handed;
  if (!handed) handed = std::make_shared<HandedPieces>(WorkerCountWanted());
  return *handed;
}

void Write(PieceWrite& write) {
  PieceToWrite& piece = write.piece;
  write.problem = WritePieceFile(piece.image, piece.path, piece.codec, piece.quality, piece.serial);
  piece.image = ImageRecord{};  // the pixels go as soon as the file is written
  write.done.store(true, std::memory_order_release);
}

bool Ready(const Handed& entry) { return !entry.write || entry.write->done.load(std::memory_order_acquire); }

void Deliver(Handed& entry) {
  if (entry.ended_run) {
    ReportStalePieces(*entry.ended_run);
    return;
  }
  if (entry.write) entry.report.reason = entry.write->problem;
  entry.report.written = !entry.report.reason;
  PieceDelivered(entry.report);
}

}  // namespace

void HandOverPiece(PieceReport report, std::optional<PieceToWrite> write) {
  HandedPieces& handing = Handing();
  Handed entry{std::move(report), nullptr, std::nullopt};
  if (write) {
    entry.write = std::make_shared<PieceWrite>(std::move(*write));
    WorkerPool::Task task = [piece = entry.write] { Write(*piece); };
    if (!handing.pool.TryHandOver(task)) Write(*entry.write);
  }
  handing.handed.push_back(std::move(entry));
  DeliverFinishedPieces();
}

void HandOverRunEnd(const PieceRun& run) {
  Handing().handed.push_back(Handed{{}, nullptr, run});
  DeliverFinishedPieces();
}

void DeliverFinishedPieces() {
  if (!TheSlicingJob().handed) return;
  std::deque<Handed>& handed = TheSlicingJob().handed->handed;
  while (!handed.empty() && Ready(handed.front())) {
    Handed entry = std::move(handed.front());
    handed.pop_front();
    Deliver(entry);
  }
}

void SettlePieces() {
  if (!TheSlicingJob().handed) return;
  TheSlicingJob().handed->pool.WaitUntilIdle();
  DeliverFinishedPieces();
}

bool RoomForPiece() { return Handing().pool.WaitForRoom(kRoomWait); }

RunParts ResizeParts() {
  Handing();
  return [handed = TheSlicingJob().handed](int32_t count, const std::function<void(int32_t)>& part) {
    handed->pool.RunParts(count, part);
  };
}

}  // namespace zen::slicing_detail
