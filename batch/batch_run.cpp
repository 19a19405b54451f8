#include "batch/batch_run.h"

#include <unistd.h>

#include <filesystem>
#include <memory>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/loop_hooks.h"
#include "app/settings/settings.h"
#include "app/startup.h"
#include "batch/batch_progress.h"
#include "batch/batch_report.h"
#include "batch/batch_sources.h"
#include "platform/gui/headless/headless_gui.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "slicing/slicing_job.h"
#include "sources/source_list.h"

namespace zen::batch {
namespace {

using namespace gui;

void ApplyMode(ModeChoice mode) {
  Gui().SetState(mode == ModeChoice::Cut ? CtlCutDetectOption : CtlFixedOption, 1);
  Gui().SetState(mode == ModeChoice::Cut ? CtlFixedOption : CtlCutDetectOption, 0);
  if (mode != ModeChoice::Cut) Gui().SetState(CtlJoinCheck, mode == ModeChoice::Joined ? 1 : 0);
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

void RunJob(BatchProgress& progress) {
  SlicingJob& job = TheSlicingJob();
  job.job_state = JobStartRequested;
  do {
    AdvanceJob();
    progress.Update();
  } while (job.job_state != JobIdle);
}

// Sources that could not be loaded, pieces that could not be written, the size stop.
int ReportProblems(const BatchReport& report, const HeadlessGui& gui, std::FILE* err) {
  int status = ExitDone;
  for (const std::u16string& source : report.skipped()) {
    std::fprintf(err, "zentrova-slice: could not load %s\n", ToUtf8(source).c_str());
    status = ExitIncomplete;
  }
  for (const std::u16string& piece : report.failed()) {
    std::fprintf(err, "zentrova-slice: could not write %s\n", ToUtf8(piece).c_str());
    status = ExitIncomplete;
  }
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

// While the job runs, what is written to standard output (the converter's log, which it
// inherits) goes to standard error instead, so the report stays alone on the output.
class OutputToErrors {
 public:
  OutputToErrors(std::FILE* out, std::FILE* err) : out_(out) {
    std::fflush(out_);
    saved_ = dup(fileno(out_));
    if (saved_ >= 0) dup2(fileno(err), fileno(out_));
  }
  ~OutputToErrors() {
    std::fflush(out_);
    if (saved_ < 0) return;
    dup2(saved_, fileno(out_));
    close(saved_);
  }
  OutputToErrors(const OutputToErrors&) = delete;
  OutputToErrors& operator=(const OutputToErrors&) = delete;

 private:
  std::FILE* out_;
  int saved_ = -1;
};

void PrintSummary(const BatchReport& report, bool dry_run, std::FILE* stream) {
  for (const auto& [folder, count] : report.FolderCounts()) {
    std::fprintf(stream, "%s: %d piece%s%s\n", ToUtf8(folder).c_str(), count, count == 1 ? "" : "s",
                 dry_run ? " (dry run, nothing written)" : "");
  }
}

}  // namespace

int RunBatch(const BatchOptions& options, std::FILE* out, std::FILE* err) {
  // Paths are taken relative to where the command was given, before start-up moves into
  // the program folder.
  const std::u16string drop = DropTextOfPaths(options.paths, err);
  BatchOptions resolved = options;
  if (resolved.config == ConfigSource::File) {
    resolved.config_file = std::filesystem::absolute(resolved.config_file).string();
    if (!std::filesystem::is_regular_file(resolved.config_file)) {
      std::fprintf(err, "zentrova-slice: option --config: cannot read %s\n", options.config_file.c_str());
      return ExitUsage;
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
  AddDroppedFiles(drop);
  if (SourceRowCount() == 0) {
    std::fprintf(err, "zentrova-slice: no image file to cut (jpg, jpeg, png, psd, psb)\n");
    ExitCleanUp();
    return ExitUsage;
  }

  BatchReport report;
  {
    OutputToErrors quiet_output(out, err);
    BatchProgress progress(report, err, !options.quiet && isatty(fileno(err)));
    report.on_change = [&progress] { progress.Update(); };
    TheSlicingJob().host.observer = &report;
    TheSlicingJob().host.dry_run = options.dry_run;
    RunJob(progress);
    progress.Finish();
    TheSlicingJob().host.observer = nullptr;
  }

  const int status = ReportProblems(report, *gui, err);
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
