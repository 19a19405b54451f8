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

// What becomes of a piece's file once written. A piece of a source still being decoded is
// held: written to its temporary file only, placed at its name once the source decoded
// cleanly, dropped when it turned out damaged. The loop and the worker settle a held piece
// by exchanging the fate, so exactly one of them places or drops it.
enum Fate : int { kPlace, kHold, kHeldWritten, kDrop };

// A piece on its way: the worker fills in the problem, then sets done.
struct PieceWrite {
  PieceWrite(PieceToWrite order, bool held) : piece(std::move(order)), fate(held ? kHold : kPlace) {}
  ~PieceWrite() { DiscardPiece(written); }  // a held piece never placed leaves no file
  PieceToWrite piece;
  ProblemReason problem;
  WrittenPiece written;
  std::atomic<int> fate;
  std::atomic<bool> done{false};
};

// One result to deliver: a piece (written by a worker, or with its result known at once),
// or the end of a run of pieces, whose stale files are looked for after its pieces. A held
// entry waits until its source is known good.
struct Handed {
  PieceReport report;
  std::shared_ptr<PieceWrite> write;  // null: the report holds the result
  std::optional<PieceRun> ended_run;
  bool held = false;
};

}  // namespace

struct HandedPieces {
  explicit HandedPieces(int workers) : pool(workers) {}
  std::deque<Handed> handed;  // the loop's thread only
  bool holding = false;       // pieces handed over now are held
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
  if (write.fate.load(std::memory_order_acquire) != kDrop) {
    write.problem =
        WritePieceTemporary(piece.image, piece.path, piece.codec, piece.quality, piece.serial, write.written);
  }
  piece.image = ImageRecord{};  // the pixels go as soon as the file is written
  int fate = kHold;
  if (!write.problem && !write.fate.compare_exchange_strong(fate, kHeldWritten, std::memory_order_acq_rel)) {
    if (fate == kPlace) {
      write.problem = PlacePiece(write.written, piece.path);
    } else {
      DiscardPiece(write.written);
    }
  }
  write.done.store(true, std::memory_order_release);
}

bool Ready(const Handed& entry) {
  return !entry.held && (!entry.write || entry.write->done.load(std::memory_order_acquire));
}

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
  Handed entry{std::move(report), nullptr, std::nullopt, handing.holding};
  if (write) {
    entry.write = std::make_shared<PieceWrite>(std::move(*write), handing.holding);
    WorkerPool::Task task = [piece = entry.write] { Write(*piece); };
    if (!handing.pool.TryHandOver(task)) Write(*entry.write);
  }
  handing.handed.push_back(std::move(entry));
  DeliverFinishedPieces();
}

void HandOverRunEnd(const PieceRun& run) {
  Handing().handed.push_back(Handed{{}, nullptr, run, Handing().holding});
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
  DropHeldPieces();  // none are left by then: a held piece's source is settled first
  DeliverFinishedPieces();
}

void HoldPieces() { Handing().holding = true; }

void PlaceHeldPieces() {
  HandedPieces& handing = Handing();
  handing.holding = false;
  for (Handed& entry : handing.handed) {
    if (!entry.held) continue;
    entry.held = false;
    PieceWrite* write = entry.write.get();
    int fate = kHold;
    if (write && !write->fate.compare_exchange_strong(fate, kPlace, std::memory_order_acq_rel) &&
        fate == kHeldWritten) {
      write->problem = PlacePiece(write->written, write->piece.path);
    }
  }
  DeliverFinishedPieces();
}

void DropHeldPieces() {
  if (!TheSlicingJob().handed) return;
  HandedPieces& handing = *TheSlicingJob().handed;
  handing.holding = false;
  std::deque<Handed>& handed = handing.handed;
  while (!handed.empty() && handed.back().held) {
    const Handed entry = std::move(handed.back());
    handed.pop_back();
    if (!entry.ended_run) GiveBackPieceName(entry.report);
    if (!entry.write) continue;
    int fate = kHold;
    if (!entry.write->fate.compare_exchange_strong(fate, kDrop, std::memory_order_acq_rel) && fate == kHeldWritten) {
      DiscardPiece(entry.write->written);
    }
  }
}

bool RoomForPiece(bool wait) { return Handing().pool.WaitForRoom(wait ? kRoomWait : std::chrono::milliseconds(0)); }

bool RunBeside(std::function<void()> task) { return Handing().pool.TryHandOver(task); }

void WaitForWorkers() {
  if (TheSlicingJob().handed) TheSlicingJob().handed->pool.WaitUntilIdle();
}

RunParts ResizeParts() {
  Handing();
  return [handed = TheSlicingJob().handed](int32_t count, const std::function<void(int32_t)>& part) {
    handed->pool.RunParts(count, part);
  };
}

}  // namespace zen::slicing_detail
