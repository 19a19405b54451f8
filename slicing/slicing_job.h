#pragma once
// The slicing job: one process-wide record that turns the rows of the source list into
// numbered piece files, one bounded step per event-loop turn.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "imaging/image_table.h"
#include "interchange/converter_files.h"  // StripCount
#include "planning/cut_plan.h"
#include "planning/smart_planner.h"
#include "platform/file_identity.h"

namespace zen {

namespace slicing_detail {
struct HandedPieces;
struct StreamedSource;
}  // namespace slicing_detail

enum JobState : int { JobIdle = 0, JobStartRequested = 1, JobRunning = 2 };

// SliceSmart: the smart planner over the joined files of each folder (the cut-detection
// option when the smart planner is chosen). SlicePlanned: pieces at the cuts of a given
// plan (JobRequest::plan).
enum SliceMode : uint8_t { SliceFixed = 0, SliceFixedJoined = 1, SliceCutDetect = 2, SliceSmart = 3, SlicePlanned = 4 };

// The image numbers the engine works in; each number has one role.
enum JobImage : ImageId {
  SourceImage = 9,   // the loaded source or converter strip
  PieceImage = 10,   // the piece being built; a pending cut-detection leftover
  JoinedImage = 11,  // a leftover joined on top of a new piece
  BandImage = 12,    // one step's band; a copy of the leftover while joining
  TailImage = 13,    // an unfinished fixed-height piece cut to its real height
  CarryImage = 14,   // planned cutting: rows of earlier sources whose piece is not written yet
};

inline constexpr int UniformTolerance = 40;
inline constexpr int64_t StripThreshold = 32000;  // sources taller than this go in strips

// Each field is taken from its main-window control at a fixed moment (see the README).
struct JobSettings {
  SliceMode slice_mode = SliceFixed;
  int64_t slice_height = 0;
  int64_t auto_slice_min = 0;
  int64_t auto_slice_max = 0;
  std::u16string folder_name;  // resolved per source
  std::u16string file_prefix;  // resolved per source
  int32_t jpg_quality = 0;
  bool resize = false;
  int32_t resize_width = 0;
  int64_t digit_number = 0;
  int save_extension = 0;  // 0 jpg, otherwise png
  bool folder_open = false;
};

// One run of content found by the cut-detection scan.
struct Segment {
  bool in_content = false;
  int32_t start = -1;
  int32_t end = -1;
};

// Rows of one source that a piece holds. Rows count from the top of the whole source as
// loaded (and resized); strips of an over-tall source continue the count.
struct PieceRows {
  int64_t source_index = 0;
  std::u16string source_path;
  int64_t first_row = 0;
  int64_t row_count = 0;
};

// Why a source was skipped or a piece not written.
enum class JobProblem : uint8_t {
  None,
  SourceMissing,          // no file at the listed path
  SourceNotReadable,      // the file cannot be opened
  NotAnImage,             // not a JPEG, PNG or BMP by its content
  DamagedImage,           // its header or image data is broken or ends early
  TooLarge,               // more than the image store can hold
  ConverterNotStarted,    // the converter program could not be run
  ConversionFailed,       // the converter said why (the detail, its exit status)
  ConverterStopped,       // the converter printed and wrote nothing for too long: stopped
  NoWorkFolder,           // the converter's work folder could not be made
  NotResized,             // scaling to the wished width failed (its memory, a zero side)
  ConverterWroteNothing,  // the converter ended without its output file
  WouldReplaceSource,     // the piece's path is one of the job's sources
  WrittenTwice,           // the piece's path was written earlier in this job
  NoPieceImage,           // the piece's image could not be made
  NotWritten,             // the file could not be written (the system's error number)
};

struct ProblemReason {
  ProblemReason() = default;
  ProblemReason(JobProblem kind, int error = 0, int status = 0, std::u16string text = {})
      : problem(kind), system_error(error), converter_status(status), detail(std::move(text)) {}
  JobProblem problem = JobProblem::None;
  int system_error = 0;      // errno, for NotWritten
  int converter_status = 0;  // the converter's exit status, for ConversionFailed
  std::u16string detail;     // the converter's own message, for ConversionFailed
  explicit operator bool() const { return problem != JobProblem::None; }
};

struct PieceReport {
  std::u16string path;
  int32_t width = 0;
  int32_t height = 0;
  bool written = false;  // false: the save failed (or nothing to save); reason says why
  ProblemReason reason;
  std::vector<PieceRows> rows;
};

// A file of the job and what went wrong with it.
struct FileProblem {
  std::u16string path;
  ProblemReason reason;
};

// Files of an earlier run left in an output folder the job wrote to: named by the same
// prefix and extension and a number, but not written by this job.
struct StalePieces {
  std::u16string folder;
  std::vector<std::u16string> paths;  // in number order
};

// Optional watcher of a job (the batch command line, tests). Called on the GUI thread.
class JobObserver {
 public:
  virtual ~JobObserver() = default;
  virtual void PieceSaved(const PieceReport& /*piece*/) {}
  virtual void SourceSkipped(int64_t /*row*/, std::u16string_view /*path*/, const ProblemReason& /*reason*/) {}
  virtual void StalePiecesFound(const StalePieces& /*stale*/) {}
  // The job stops because a loaded source is 32768 pixels or more in one dimension.
  virtual void SizeLimitStop(std::u16string_view /*path*/, bool /*width_exceeded*/) {}
  virtual void JobFinished() {}
};

// Sees the rows of every source as it is loaded (and resized), strips in order; `run` is the
// index of its run in the job's plan. The review window and the preview make their reduced
// copies from it.
class SourceRowsSink {
 public:
  virtual ~SourceRowsSink() = default;
  virtual void SourceRows(size_t run, const NativeImage& rows) = 0;
};

// The tallest piece a format holds: libjpeg's limit, and the image store's for PNG.
inline constexpr int64_t JpegMaxRows = 65500;
inline constexpr int64_t PngMaxRows = 65535;
int64_t MaxPieceRows(int save_extension);

// Why a plan does not fit the listed sources and the window's settings.
enum class PlanProblemKind : uint8_t {
  None,
  OtherFiles,    // the list holds other files, or they come in another order
  ExtraFile,     // the list holds a file the plan does not
  FileTwice,     // one file is listed twice
  FoldersMixed,  // a run holds files of two folders
  Unreadable,    // no size could be read from a file
  OtherRows,     // a file has other rows (as loaded and resized) than the plan says
  PieceTooTall,  // a piece is taller than its format holds
};

struct PlanProblem {
  PlanProblemKind kind = PlanProblemKind::None;
  size_t run = 0;       // from 0
  size_t index = 0;     // the file's (or the piece's) place in its run, from 0
  std::u16string path;  // the file concerned
  int64_t planned = 0;  // rows the plan says, or the piece's height
  int64_t found = 0;    // rows the file has, or the format's limit
  explicit operator bool() const { return kind != PlanProblemKind::None; }
};

// The number of a run's first piece: pieces are numbered from 1 in each output folder, so
// the runs before it in the same folder count on.
int64_t FirstPieceNumber(const CutPlan& plan, size_t run);

// The first way a plan does not fit the source list (which must hold its files in its
// order) and the window's resize and format; asks the converter for each file's size.
PlanProblem CheckPlan(const CutPlan& plan);

// What a caller asks of the next job beyond the window's settings; StartJob takes it.
struct JobRequest {
  bool dry_run = false;         // cut and report, but write nothing
  std::optional<CutPlan> plan;  // write the pieces at this plan's cuts
  SourceRowsSink* rows = nullptr;
  bool show_report = true;            // the end-of-job box of unwritten and unloaded files
  std::function<void()> on_finished;  // after the job's end (FinishJob)
};

// What the job reaches outside itself; the program fills it at start-up.
struct JobHost {
  bool* poll_events = nullptr;      // the event loop's PollEvents
  int64_t* job_end_time = nullptr;  // the event loop's JobEndTime
  std::u16string settings_folder;   // ending in "/"; the jobs' converter folders are made in it
  std::u16string opener = u"Open";  // the runner maps it to the desktop's opener
  JobObserver* observer = nullptr;
  bool dry_run = false;  // cut and report, but write no file and make no folder
  // A converter run that prints nothing and writes nothing for this long is stopped and
  // its source skipped (tests shorten it).
  int64_t converter_quiet_limit_ms = 120000;
  // Which planner the cut-detection option uses: 0 the gutter scan, 1 the smart planner.
  const int* smart_planner = nullptr;
};

// The pieces written into one output folder with one prefix and extension, until the job
// moves on: where to look for stale pieces afterwards.
struct PieceRun {
  std::u16string folder;
  std::u16string prefix;
  std::u16string extension;
  int64_t pieces = 0;
};

// What the job knows to keep the user's files safe: its sources' identities (cached by
// the path as listed), the files it wrote (a dry run keeps their normalised paths), the
// current run of pieces and the holding of the converter's work folder.
struct JobLedger {
  std::map<std::u16string, FileIdentity> sources;
  std::set<FileIdentity> written;
  // Names given to pieces, by their folder's identity and the file name: taken when a piece
  // is handed over, before it is written, and given back if the write fails.
  std::set<std::pair<FileIdentity, std::u16string>> named;
  std::set<std::u16string> dry_run_written;
  std::set<std::u16string> cleaned_folders;  // output folders rid of dead temporary files
  PieceRun run;
  std::u16string work_folder;    // the job's converter folder inside the settings folder, or empty
  int work_lock = -1;            // descriptor holding that folder's lock while it exists
  uint64_t temporary_count = 0;  // numbers this process's temporary piece files
};

struct SlicingJob {
  JobState job_state = JobIdle;
  JobSettings settings;
  int64_t source_index = 0;
  std::u16string source_path;  // still the previous source while the next one is chosen
  int64_t source_width = 0;
  int64_t source_height = 0;
  int64_t cursor_y = 0;
  int64_t carry_height = 0;   // rows in the open fixed-height piece
  int64_t piece_counter = 0;  // last piece number written into the current output folder
  std::u16string output_folder;
  bool made_output_folder = false;  // the current source's output folder was made for it
  int32_t strip_index = -1;         // converter strip being cut, -1 for an ordinary source
  bool delete_after_load = false;
  std::vector<Segment> segment_list;
  bool pending_leftover = false;
  bool last_row_uniform = false;
  std::u16string converter_path;

  // Texts of the folder and prefix boxes taken at start; placeholders resolve per source.
  std::u16string folder_text_at_start;
  std::u16string prefix_text_at_start;
  int64_t strip_first_row = 0;               // row of the whole source where the current strip starts
  std::vector<PieceRows> piece_rows;         // rows held by the piece under construction
  std::vector<FileProblem> failed_pieces;    // pieces of this job that were not written
  std::vector<FileProblem> skipped_sources;  // sources that did not load
  std::vector<StalePieces> stale_pieces;
  ProblemReason conversion_problem;  // what the last conversion of this source said
  JobLedger ledger;
  // The worker threads and the pieces handed to them; made by the first job.
  std::shared_ptr<slicing_detail::HandedPieces> handed;
  // The source in SourceImage while its rows are still being decoded (null once whole).
  std::shared_ptr<slicing_detail::StreamedSource> streamed;

  // The plan of this job as it is cut: runs, files and the cut that ends each piece.
  CutPlan plan;
  CutKind next_cut_kind = CutKind::Fixed;  // what ends the piece saved next, set by the step
  PlanBand next_cut_band;                  // in run rows

  // Cutting at planned rows (SliceSmart, SlicePlanned).
  std::unique_ptr<SmartPlanner> planner;  // the current run's
  std::deque<PlanCut> planned_cuts;       // cuts of the current run not written yet
  int64_t source_top = 0;                 // run row of SourceImage's first row
  int64_t piece_top = 0;                  // run row where the next piece starts
  int64_t carry_top = 0;                  // run row of CarryImage's first row

  JobRequest next_request;  // taken by the next StartJob
  JobRequest request;       // the running job's

  JobHost host;
};

// The job record and its reset to the start-up state (tests, and start-up itself).
SlicingJob& TheSlicingJob();
void ResetSlicingJob();

// Called by the event loop: StartJob at the end of a turn in which the state is
// JobStartRequested, StepJob once per main-window turn while it is JobRunning.
void StartJob();
void StepJob();
void ShowJobStarted();
// Escape: a running job stops where it is. Pieces written stay; the open piece, images and
// converter files go; the progress row reads "작업 취소" and the loop's end time is set as
// after a finished job. Nothing when no job runs.
void CancelJob();
void FinishJob();  // always called after the state has been set to JobIdle

// Numbers and writes one piece held in image n.
void SavePiece(ImageId n);

// Removes the work folders that jobs which ended early (in any instance) left in the
// settings folder, never one a running job holds, and loose converter files there.
void RemoveLeftConverterFiles(std::u16string_view settings_folder);

// Loads the source at SourceIndex (or the next strip of the current one) into
// SourceImage and sets up its output side. False when it could not be loaded (the caller
// skips it); true when it is loaded or when the job ended at its size check.
bool PrepareNextSource();

void FixedHeightStep();
void CutDetectStep();
// SliceSmart and SlicePlanned: one piece, or the next rows for the planner, per step.
void PlannedStep();
// Whether row CursorY of the current drawing target is one plain colour, within t.
bool RowIsUniform(int t);

}  // namespace zen
