#include "batch/batch_run.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_fields.h"
#include "app/settings/settings.h"
#include "app/startup.h"
#include "batch/batch_plan.h"
#include "batch/batch_progress.h"
#include "batch/batch_report.h"
#include "batch/batch_sources.h"
#include "imaging/codec_registry.h"
#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "platform/prefs_file.h"
#include "platform/text.h"
#include "platform/trash.h"
#include "slicing/reduced_runs.h"
#include "slicing/slicing_job.h"
#include "sources/source_list.h"

namespace zen::batch {
namespace {

using namespace gui;

void ApplyMode(ModeChoice mode) {
  const bool gutters = mode == ModeChoice::Cut || mode == ModeChoice::Smart;
  Gui().SetState(gutters ? CtlCutDetectOption : CtlFixedOption, 1);
  Gui().SetState(gutters ? CtlFixedOption : CtlCutDetectOption, 0);
  if (gutters) App().smart_slice = mode == ModeChoice::Smart ? 1 : 0;
  if (!gutters) Gui().SetState(CtlJoinCheck, mode == ModeChoice::Joined ? 1 : 0);
}

// The options override what the settings put into the controls.
void ApplyOptions(const BatchOptions& o) {
  if (o.mode) ApplyMode(*o.mode);
  for (const auto& [field, value] : o.numbers) Gui().SetText(field, IntToText(value));
  if (o.numbers.count(CtlWidthField)) Gui().SetState(CtlResizeCheck, 1);
  if (o.no_resize) Gui().SetState(CtlResizeCheck, 0);
  if (o.folder) Gui().SetText(CtlFolderBox, *o.folder);
  if (o.prefix) Gui().SetText(CtlPrefixBox, *o.prefix);
  if (o.format) Gui().SetState(CtlFormatBox, *o.format == FormatChoice::Png ? 1 : 0);
  // Opening a file browser is off unless asked for: a script rarely wants one.
  Gui().SetState(CtlOpenFolderCheck, o.open_folder ? 1 : 0);
}

void ChooseSettings(const BatchOptions& o) {
  LoopHooks& hooks = Hooks();
  if (o.config == ConfigSource::None) {
    hooks.load_settings = nullptr;
  } else if (o.config == ConfigSource::File) {
    const std::u16string file = FromUtf8(o.config_file);
    hooks.load_settings = [file] { LoadSettingsFrom(file); };
  }
}

// A settings file the preferences reader would pass over (missing, unreadable, larger than
// it reads) is an error rather than a run with other settings than asked for.
bool ConfigFileReadable(const std::string& path, const std::string& given, std::FILE* err) {
  std::error_code error;
  const bool regular = std::filesystem::is_regular_file(path, error);
  if (!regular || access(path.c_str(), R_OK) != 0) {
    std::fprintf(err, "zentrova-slice: option --config: cannot read %s\n", given.c_str());
    return false;
  }
  if (std::filesystem::file_size(path, error) > static_cast<uintmax_t>(PrefsMaxFileSize)) {
    std::fprintf(err, "zentrova-slice: option --config: %s is larger than %lld MiB, more than a settings file holds\n",
                 given.c_str(), PrefsMaxFileSize >> 20);
    return false;
  }
  return true;
}

void RunJob(BatchProgress& progress) {
  SlicingJob& job = TheSlicingJob();
  job.job_state = JobStartRequested;
  do {
    AdvanceJob();
    progress.Update();
  } while (job.job_state != JobIdle);
}

// Sources that could not be loaded and pieces that could not be written, with their reasons.
int ReportFileProblems(const BatchReport& report, std::FILE* err) {
  int status = ExitDone;
  for (const FileProblem& source : report.skipped()) {
    std::fprintf(err, "zentrova-slice: could not load %s: %s\n", ToUtf8(source.path).c_str(),
                 ReasonText(source.reason).c_str());
    status = ExitIncomplete;
  }
  for (const FileProblem& piece : report.failed()) {
    std::fprintf(err, "zentrova-slice: could not write %s: %s\n", ToUtf8(piece.path).c_str(),
                 ReasonText(piece.reason).c_str());
    status = ExitIncomplete;
  }
  return status;
}

// Pieces of an earlier run: named, and moved to the trash when asked (never deleted).
int ReportStalePieces(const BatchReport& report, const BatchOptions& options, std::FILE* err) {
  int status = ExitDone;
  const bool remove = options.remove_stale && !options.dry_run;
  for (const StalePieces& stale : report.stale()) {
    size_t moved = 0;
    for (const std::u16string& path : stale.paths) {
      if (!remove) continue;
      if (MoveToTrash(path)) {
        ++moved;
      } else {
        std::fprintf(err, "zentrova-slice: could not move %s to the trash\n", ToUtf8(path).c_str());
        status = ExitIncomplete;
      }
    }
    const std::string note =
        remove ? ", " + std::to_string(moved) + " moved to the trash" : " (--remove-stale moves them to the trash)";
    std::fprintf(err, "zentrova-slice: %zu piece%s of an earlier run in %s%s\n", stale.paths.size(),
                 stale.paths.size() == 1 ? "" : "s", ToUtf8(stale.folder).c_str(), note.c_str());
  }
  return status;
}

int ReportProblems(const BatchReport& report, const HeadlessGui& gui, const BatchOptions& options, std::FILE* err) {
  // One after the other: the files' problems come first on standard error.
  int status = ReportFileProblems(report, err);
  status = std::max(status, ReportStalePieces(report, options, err));
  if (report.stopped()) {
    for (const MessageRecord& box : gui.MessageBoxes()) {
      if (box.title != u"이미지 크기 오류") continue;
      std::u16string text = box.text;
      for (char16_t& c : text) {
        if (c == u'\r') c = u'\n';
      }
      std::fprintf(err, "%s\n%s\n", ToUtf8(box.title).c_str(), ToUtf8(text).c_str());
    }
    status = ExitSizeLimit;
  }
  return status;
}

// A folder or prefix name from the settings that the window would refuse to start with.
bool NamesUsable(std::FILE* err) {
  for (const ControlId box : {CtlFolderBox, CtlPrefixBox}) {
    if (NameBoxUsable(box)) continue;
    std::fprintf(err, "zentrova-slice: %s '%s' from the settings is not usable (%s)\n",
                 box == CtlFolderBox ? "the output folder name" : "the file-name prefix",
                 ToUtf8(Gui().Text(box)).c_str(), ToUtf8(FindField(box)->key).c_str());
    return false;
  }
  return true;
}

// While the job runs, what is written to standard output (the converter's log, which it
// inherits) goes to standard error instead, so the report stays alone on the output; with
// --quiet it goes nowhere, since every failure it tells of is in the report too.
class OutputAside {
 public:
  OutputAside(std::FILE* out, std::FILE* err, bool quiet) : out_(out) {
    std::fflush(out_);
    saved_ = dup(fileno(out_));
    if (saved_ < 0) return;
    const int nowhere = quiet ? open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
    dup2(nowhere >= 0 ? nowhere : fileno(err), fileno(out_));
    if (nowhere >= 0) close(nowhere);
  }
  ~OutputAside() {
    std::fflush(out_);
    if (saved_ < 0) return;
    dup2(saved_, fileno(out_));
    close(saved_);
  }
  OutputAside(const OutputAside&) = delete;
  OutputAside& operator=(const OutputAside&) = delete;

 private:
  std::FILE* out_;
  int saved_ = -1;
};

void PrintSummary(const BatchReport& report, bool dry_run, std::FILE* stream) {
  // Only pieces really written count; those that failed are told beside them.
  for (const BatchReport::FolderCount& count : report.FolderCounts()) {
    const std::string failed = count.failed ? ", " + std::to_string(count.failed) + " failed" : std::string();
    std::fprintf(stream, "%s: %d piece%s%s%s\n", ToUtf8(count.folder).c_str(), count.written,
                 count.written == 1 ? "" : "s", failed.c_str(), dry_run ? " (dry run, nothing written)" : "");
  }
}

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err) {
  // Paths are taken relative to where the command was given, before start-up moves into
  // the program folder.
  const std::vector<std::u16string> drops = DropTextsOfPaths(options.paths, err);
  BatchOptions resolved = options;
  if (resolved.config == ConfigSource::File) {
    resolved.config_file = std::filesystem::absolute(resolved.config_file).string();
    if (!ConfigFileReadable(resolved.config_file, options.config_file, err)) return ExitUsage;
  }
  if (!resolved.preview_file.empty()) resolved.preview_file = std::filesystem::absolute(resolved.preview_file).string();
  std::optional<CutPlan> plan;
  if (!options.cuts_file.empty()) {
    plan = ReadPlanFile(options.cuts_file, err);
    if (!plan) return ExitUsage;
    for (PlanRun& run : plan->runs) {
      for (PlanFile& file : run.files) file.path = FromUtf8(std::filesystem::absolute(ToUtf8(file.path)).string());
    }
  }

  auto owned = std::make_unique<HeadlessGui>();
  HeadlessGui* gui = owned.get();
  PrepareProcess();
  InstallGui(std::move(owned));
  WireProgramHooks(Hooks());
  ChooseSettings(resolved);
  StartUp(false);
  ApplyOptions(resolved);
  TheCodecRegistry().pixel_limit = static_cast<uint64_t>(resolved.pixel_budget) * 1'000'000;
  if (!NamesUsable(err)) {
    ExitCleanUp();
    return ExitUsage;
  }
  if (plan && options.paths.empty()) {
    std::vector<std::u16string> files;
    for (const PlanRun& run : plan->runs) {
      for (const PlanFile& file : run.files) files.push_back(file.path);
    }
    SetSourceRows(files);
  }
  for (const std::u16string& drop : drops) AddDroppedFiles(drop);
  if (plan) {
    if (const PlanProblem problem = CheckPlan(*plan)) {
      std::fprintf(err, "zentrova-slice: plan %s: %s\n", options.cuts_file.c_str(), PlanProblemText(problem).c_str());
      ExitCleanUp();
      return ExitUsage;
    }
    TheSlicingJob().next_request.plan = std::move(plan);
  }
  if (SourceRowCount() == 0) {
    std::fprintf(err, "zentrova-slice: no image file to cut (jpg, jpeg, png, psd, psb)\n");
    ExitCleanUp();
    return ExitUsage;
  }

  BatchReport report;
  ReducedRuns preview;
  const bool previewing = !options.preview_file.empty();
  if (previewing) TheSlicingJob().next_request.rows = &preview;
  {
    OutputAside converter_log(out, err, options.quiet);
    BatchProgress progress(report, err, !options.quiet && isatty(fileno(err)));
    report.on_change = [&progress] { progress.Update(); };
    TheSlicingJob().host.observer = &report;
    TheSlicingJob().host.dry_run = options.dry_run || previewing;
    RunJob(progress);
    report.SetPlan(TheSlicingJob().plan);
    progress.Finish();
    TheSlicingJob().host.observer = nullptr;
  }

  int status = ReportProblems(report, *gui, resolved, err);
  if (previewing && !WritePreview(preview.copies(), report.plan(), resolved.preview_file, err)) status = ExitIncomplete;
  if (options.json) {
    std::fprintf(out, "%s\n", report.ToJson().c_str());
    if (!options.quiet) PrintSummary(report, options.dry_run, err);
  } else {
    PrintSummary(report, options.dry_run, out);
  }
  ExitCleanUp();
  return status;
}

}  // namespace zen::batch
