#pragma once
// Helpers shared by the files of the slicing engine; not for use outside slicing/.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "imaging/codecs.h"
#include "imaging/resize.h"
#include "platform/gui/window_system.h"
#include "slicing/slicing_job.h"

namespace zen::slicing_detail {

// The source list, read at the moment it is needed (it is never copied).
int64_t ListRowCount();
std::u16string ListRowPath(int64_t row);

// A field's text as a number, by the program's text-to-integer rule.
int64_t FieldValue(gui::ControlId field);
bool ControlChecked(gui::ControlId control);

// The end of a source shared by both cutting modes: frees SourceImage and goes on with
// the next strip or row, or ends the job after the last one.
void EndSource();
// Prepares the source at SourceIndex; a source that does not load is skipped and the
// rows after it are tried, until one loads or the list is done.
void PrepareSourceOrSkip();

// After a source was skipped: moves on to the next row of the list (closing the open piece
// as the end of a source does), or ends the job after the last row (then false).
bool MoveToNextRow();
// A source that did not load is skipped with its reason (its converter files deleted);
// always false.
bool SkipUnloadedSource(std::u16string_view load_path, const ProblemReason& reason);

// Loading a source into SourceImage (source_streaming.cpp). A plain source cut at a fixed
// height as loaded is streamed: its header is read and its image made here, and its rows
// are decoded a batch per step while pieces are cut from the rows already there. Others
// are loaded whole. False (with the reason) when it does not load.
bool LoadSource(const std::u16string& load_path, LoadFailure* failure);
// Rows of SourceImage decoded so far: all of them unless the source streams.
int64_t SourceRowsReady();
// Has the rest of a streaming source decoded on a free worker, or decodes its next batch
// here (nothing for a whole source). False when the source turned out damaged: its pieces
// are dropped, the job is back where it was when the source began, the source is skipped
// and the next one prepared (or the job ended).
bool LoadMoreSourceRows();
// Whether a worker decodes the current source: the loop then writes the pieces the other
// workers cannot take itself rather than wait for room.
bool SourceDecodesBeside();
// When a worker decodes the source: waits a few milliseconds at most until it has `rows`
// rows or its decode ended (then taken by the next LoadMoreSourceRows); true. False at once
// otherwise.
bool AwaitRows(int64_t rows);
// A restart or a cancel: a streaming source is decoded to its end, its pieces then placed,
// or dropped and the source skipped when it turned out damaged.
void SettleStreamedSource();

// Fixed-height mode: writes the open piece as a tail (when one is open).
void WriteTail();
// Cut detection: writes a pending leftover as a piece of its own (when one is pending).
void FlushLeftover();

// The width and height a source will have when cut: the converter's size and the resize to
// the wished width; 0 x 0 when the converter gives no size.
std::pair<int64_t, int64_t> SourceSizeAsCut(std::u16string_view path);

// Converter files of a source in the settings folder.
std::u16string StripFileName(std::u16string_view source_path, int index);
std::u16string WholeConversionFileName(std::u16string_view source_path);
void DeleteStripFiles(std::u16string_view source_path);  // indexes 0 to 20
void DeleteFile(std::u16string_view path);

// The progress bar's value for a row: (row + 1 + within) / (rows + 1) * 100, computed in
// double, held in single precision and rounded to the nearest integer, halves to even;
// within (0 to 1) is the part of the row's source already cut.
int ProgressPercent(int64_t row, int64_t rows, double within = 0.0);
// Shows on the bar how far the cut has come, within the current source too.
void ShowCutProgress();

// Output side of a freshly loaded source: folder name, output folder, quality, prefix.
void SetUpOutputSide();
// Removes the output folder the current source made, when nothing went into it (the
// source was undone or stopped the job before its first piece).
void RemoveUnusedOutputFolder();

// A piece written whole to its locked temporary file, not yet at its name.
struct WrittenPiece {
  std::string temporary;
  int fd = -1;  // holds the lock; -1 once placed or discarded
};
// The two halves of WritePieceFile: the temporary file, then its rename over the path (on
// failure the temporary file goes); DiscardPiece removes a written piece never placed.
ProblemReason WritePieceTemporary(const ImageRecord& piece, const std::u16string& path, uint32_t codec, int quality,
                                  uint64_t serial, WrittenPiece& written);
ProblemReason PlacePiece(WrittenPiece& written, const std::u16string& path);
void DiscardPiece(WrittenPiece& written);
// Writes the piece to path through a temporary file in the same folder (named by serial,
// a number of this job), renamed over the path when complete: the one place pieces are
// written. It reads nothing of the job's record.
ProblemReason WritePieceFile(const ImageRecord& piece, const std::u16string& path, uint32_t codec, int quality,
                             uint64_t serial);
// Removes the temporary piece files a killed job left in folder (those no writer holds).
void RemoveDeadTemporaryFiles(std::u16string_view folder);
// Whether the file is one of the job's sources (any row of the list, by identity).
bool IsSourceOfJob(const FileIdentity& file);
// A path with "//", "/./" and "x/../" folded and the links of its existing folders followed,
// for comparing the paths of a dry run (which makes no file to take the identity of).
std::u16string NormalisedPath(const std::u16string& path);
// Ends the current run of pieces; the stale pieces of its folder are reported once the
// run's pieces are all written (ReportStalePieces).
void EndPieceRun();
void ReportStalePieces(const PieceRun& run);

// Pieces on their way to files (piece_handover.cpp). A piece is handed over whole with
// its name fixed; the workers encode and write it while the job goes on. Results reach
// the ledger, the report and the observer in the order the pieces were handed over.
struct PieceToWrite {
  ImageRecord image;  // taken out of the image table: nothing else touches it again
  std::u16string path;
  uint32_t codec = 0;
  int quality = 0;
  uint64_t serial = 0;  // names its temporary file
};
// Hands the piece over (written on the loop's thread when the workers hold as many pieces
// as they may); without one, the report's own reason is the result.
void HandOverPiece(PieceReport report, std::optional<PieceToWrite> write);
// The stale pieces of run are looked for after the pieces handed over before it.
void HandOverRunEnd(const PieceRun& run);
// The results that are in, in order; never waits.
void DeliverFinishedPieces();
// Waits for every piece handed over and delivers all results (the end of a job).
void SettlePieces();
// Pieces handed over from now on are held: written to their temporary files only, until
// PlaceHeldPieces puts them at their names (and lets their results through) or
// DropHeldPieces removes them, their names given back, as if never handed over.
void HoldPieces();
void PlaceHeldPieces();
void DropHeldPieces();
// Whether the workers can take one more piece; waits a few milliseconds at most (when
// `wait`), so a step that finds them busy ends at once and the window keeps answering.
bool RoomForPiece(bool wait = true);
// Hands a task to the workers; false when they hold as many as they may.
bool RunBeside(std::function<void()> task);
// Waits until the workers have run every task handed over.
void WaitForWorkers();
// Runs the parts of a resize on the loop's thread and on idle workers.
RunParts ResizeParts();
// Called with a piece's result: the ledger and the report learn of it.
void PieceDelivered(const PieceReport& report);
// The piece's name is free again (its write failed, or the piece was dropped).
void GiveBackPieceName(const PieceReport& report);

// Why a source did not load, from the loader's reason and what its conversion said.
ProblemReason LoadProblem(LoadFailure failure, bool converted);
// The reason in Korean, as the end-of-job box shows it.
std::u16string ProblemText(const ProblemReason& reason);
// The end-of-job box: pieces not written, sources not loaded, stale pieces.
void ShowJobReport();
// The job's own work folder for the converter, made and locked on first use (ending in
// "/"; empty when it cannot be made), and its removal with all it holds.
const std::u16string& EnsureWorkFolder();
void ReleaseWorkFolder();

// Records that the piece under construction holds rows [first, first + count) of the
// current source (counted within the current image; the strip offset is added here).
void AddPieceRows(int64_t first, int64_t count);

// Whether this job writes nothing (the batch's dry run, or a plan for the review window).
bool DryRun();

// The job's plan as it is cut (plan_record.cpp). NoteLoadedSource follows each loaded
// source or strip: a new run when the mode says so, the file's rows, the rows sink.
void NoteLoadedSource();
// What ends the piece saved next, with its band in rows of SourceImage.
void SetNextCut(CutKind kind, int64_t band_top, int64_t band_bottom);
// Called by SavePiece: the cut that ends the piece just saved.
void RecordPieceCut();
// The current run is over: a last cut at its end becomes the end.
void CloseRunRecord();
// Whether the list row about to be prepared starts a run of its own.
bool NextRowStartsRun();
// The given plan's run holding a list row, or -1.
int64_t GivenRunOf(int64_t list_row);

// Planned cutting (plan_cutting.cpp): its state for a new run, the pieces of a run that
// ended (from CarryImage), and the state dropped when a job ends early.
void StartPlannedRun();
void FinishPlannedRun();
void DropPlannedWork();

}  // namespace zen::slicing_detail
