#include "app/review/review_window.h"

#include <string>

#include "app/app_state.h"
#include "app/settings/settings.h"
#include "planning/plan_picture.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"
#include "sources/path_helpers.h"

namespace zen {
namespace {

using gui::Gui;

constexpr int Width = 480;
constexpr int Height = 700;

struct ControlSpec {
  gui::ControlId id;
  gui::ControlKind kind;
  gui::Rect geometry;
  std::u16string_view label;
};

constexpr ControlSpec Controls[] = {
    {gui::CtlReviewPlannerLabel, gui::ControlKind::Text, {10, 12, 90, 20}, u"컷 감지 방식 :"},
    {gui::CtlReviewPlanner, gui::ControlKind::ComboFixed, {100, 8, 130, 26}, u""},
    {gui::CtlReviewPrevious, gui::ControlKind::Button, {240, 7, 30, 28}, u"◀"},
    {gui::CtlReviewRun, gui::ControlKind::Text, {272, 12, 166, 20}, u""},
    {gui::CtlReviewNext, gui::ControlKind::Button, {440, 7, 30, 28}, u"▶"},
    {gui::CtlReviewSummary, gui::ControlKind::Text, {10, 40, 460, 20}, u""},
    {gui::CtlReviewStrip, gui::ControlKind::CutStrip, {10, 64, 460, 560}, u""},
    {gui::CtlReviewZoomOut, gui::ControlKind::Button, {10, 632, 60, 28}, u"축소"},
    {gui::CtlReviewZoomIn, gui::ControlKind::Button, {75, 632, 60, 28}, u"확대"},
    {gui::CtlReviewSave, gui::ControlKind::Button, {330, 630, 140, 32}, u"이 컷으로 저장"},
    {gui::CtlReviewHelp,
     gui::ControlKind::Text,
     {10, 670, 460, 20},
     u"선을 끌어 옮기고, 빈 곳을 두 번 눌러 추가하고, 선을 골라 Delete로 지웁니다."},
};

std::u16string Number(int64_t value) { return IntToText(value); }

void BuildWindow() {
  if (Gui().ContentSize(gui::ReviewWindow).width > 0) return;  // built already
  Gui().OpenWindow(gui::ReviewWindow, Width, Height, u"분할 미리보기", gui::MainWindow, true);
  for (const ControlSpec& spec : Controls) {
    gui::ControlOptions options;
    options.font = gui::FontNormal;
    Gui().CreateControl(gui::ReviewWindow, spec.id, spec.kind, spec.geometry, spec.label, options);
  }
  Gui().AddItem(gui::CtlReviewPlanner, u"기존 컷 감지");
  Gui().AddItem(gui::CtlReviewPlanner, u"스마트 분할");
}

int64_t PieceLimit() { return MaxPieceRows(Gui().State(gui::CtlFormatBox)); }

// The lines of a run as planned: each cut in the colour of its kind, the end fixed.
std::vector<gui::StripLine> LinesOf(const PlanRun& run) {
  std::vector<gui::StripLine> lines;
  for (size_t i = 0; i < run.cuts.size(); ++i) {
    const PlanCut& cut = run.cuts[i];
    const bool end = i + 1 == run.cuts.size();
    lines.push_back({cut.row, CutColour(end ? CutKind::End : cut.kind), static_cast<int>(i), !end});
  }
  return lines;
}

// Which run the strip shows, of how many, and its first file.
void ShowRunName() {
  const ReviewState& review = Review();
  std::u16string text;
  if (review.run < review.plan.runs.size()) {
    const PlanRun& run = review.plan.runs[review.run];
    text = Number(static_cast<int64_t>(review.run + 1)) + u"/" + Number(static_cast<int64_t>(review.plan.runs.size()));
    if (!run.files.empty()) text += u"  " + std::u16string(FilePart(run.files.front().path));
  }
  Gui().SetText(gui::CtlReviewRun, text);
}

void ShowRun(size_t run) {
  ReviewState& review = Review();
  if (run >= review.lines.size()) return;
  review.run = run;
  ShowRunName();
  gui::StripContent content;
  content.picture = run < review.pictures.size() ? review.pictures[run].get() : nullptr;
  content.factor = run < review.factors.size() ? review.factors[run] : 1;
  content.rows = review.plan.runs[run].Rows();
  content.lines = review.lines[run];
  content.first_number = FirstPieceNumber(review.plan, run);
  content.piece_limit = PieceLimit();
  content.hand_colour = FixedCutColour;
  Gui().SetStrip(gui::CtlReviewStrip, content);
}

void TakeStripLines() {
  ReviewState& review = Review();
  if (review.run < review.lines.size()) review.lines[review.run] = Gui().StripLines(gui::CtlReviewStrip);
}

void ShowSummary() {
  const ReviewState& review = Review();
  if (review.planning) {
    Gui().SetText(gui::CtlReviewSummary, u"분할 위치를 계산하는 중입니다…");
    return;
  }
  if (review.lines.empty()) {
    Gui().SetText(gui::CtlReviewSummary, u"분할할 수 있는 이미지가 없습니다.");
    return;
  }
  int64_t pieces = 0, forced = 0, too_tall = 0;
  const int64_t limit = PieceLimit();
  for (size_t run = 0; run < review.lines.size(); ++run) {
    const std::vector<PlanCut>& planned = review.plan.runs[run].cuts;
    int64_t top = 0;
    for (const gui::StripLine& line : review.lines[run]) {
      ++pieces;
      if (line.row - top > limit) ++too_tall;
      top = line.row;
      if (line.tag >= 0 && planned[static_cast<size_t>(line.tag)].kind == CutKind::Forced) ++forced;
    }
  }
  std::u16string text = u"조각 " + Number(pieces) + u"개 · 강제 컷 " + Number(forced) + u"개";
  if (too_tall > 0) text += u" · 최대 높이 초과 " + Number(too_tall) + u"개";
  if (!review.skipped.empty())
    text += u" · 읽지 못한 파일 " + Number(static_cast<int64_t>(review.skipped.size())) + u"개";
  Gui().SetText(gui::CtlReviewSummary, text);
}

// The planning job's end: its plan and the copies made from its rows.
void TakePlan() {
  ReviewState& review = Review();
  if (!review.planning) return;
  review.planning = false;
  if (!review.open) return;  // closed while planning: nothing to show
  const SlicingJob& job = TheSlicingJob();
  review.plan = job.plan;
  review.skipped = job.skipped_sources;
  review.lines.clear();
  review.pictures.clear();
  review.factors.clear();
  std::vector<ReducedCopy>& copies = review.rows.copies();
  for (size_t run = 0; run < review.plan.runs.size(); ++run) {
    review.lines.push_back(LinesOf(review.plan.runs[run]));
    review.pictures.push_back(run < copies.size() ? copies[run].Picture() : nullptr);
    review.factors.push_back(run < copies.size() ? copies[run].factor() : 1);
  }
  copies.clear();
  ShowRun(0);
  ShowSummary();
}

void StartPlanning() {
  ReviewState& review = Review();
  review.planning = true;
  review.rows = ReducedRuns{};
  review.lines.clear();
  Gui().SetStrip(gui::CtlReviewStrip, gui::StripContent{});
  ShowSummary();
  SlicingJob& job = TheSlicingJob();
  job.next_request = JobRequest{};
  job.next_request.dry_run = true;
  job.next_request.rows = &review.rows;
  job.next_request.show_report = false;
  job.next_request.on_finished = TakePlan;
  job.job_state = JobStartRequested;
}

bool JobBusy() { return TheSlicingJob().job_state != JobIdle; }

std::u16string ProblemText(const PlanProblem& problem) {
  if (problem.kind == PlanProblemKind::Unreadable) {
    return std::u16string(FilePart(problem.path)) + u" 파일의 크기를 읽을 수 없습니다.";
  }
  if (problem.kind != PlanProblemKind::PieceTooTall) {
    return u"미리보기를 연 뒤에 목록이나 설정이 바뀌었습니다. 미리보기를 다시 열어주세요.";
  }
  const int64_t number = FirstPieceNumber(Review().plan, problem.run) + static_cast<int64_t>(problem.index);
  return Number(number) + u"번 조각이 " + Number(problem.planned) + u"px로, 저장 형식이 담을 수 있는 높이(" +
         Number(problem.found) + u"px)를 넘습니다. 컷을 추가해주세요.";
}

void CloseReview() {
  ReviewState& review = Review();
  // A plan nobody will see: stop it, unless the running job is another one.
  SlicingJob& job = TheSlicingJob();
  if (review.planning && job.job_state == JobRunning && job.request.rows == &review.rows) CancelJob();
  review.planning = false;
  review.open = false;
  Gui().ShowWindow(gui::ReviewWindow, false);
  Gui().ShowWindow(gui::MainWindow, true);
}

// Writes the pieces at the edited cuts: the job's planned cutting, as for a plan file.
void SaveEditedPlan() {
  TakeStripLines();
  ReviewState& review = Review();
  if (review.planning || review.lines.empty()) return;
  if (JobBusy()) {
    Gui().MessageBox(u"알림", u"분할 작업이 진행 중입니다. 끝난 뒤에 다시 저장해주세요.", gui::MessageIcon::Plain);
    return;
  }
  CutPlan plan = EditedPlan();
  if (const PlanProblem problem = CheckPlan(plan)) {
    Gui().MessageBox(u"알림", ProblemText(problem), gui::MessageIcon::Plain);
    return;
  }
  CloseReview();
  SlicingJob& job = TheSlicingJob();
  job.next_request = JobRequest{};
  job.next_request.plan = std::move(plan);
  job.job_state = JobStartRequested;
}

void ChoosePlanner() {
  App().smart_slice = Gui().State(gui::CtlReviewPlanner) == 1 ? 1 : 0;
  SaveSmartSliceChoice();
  if (!JobBusy()) StartPlanning();
}

void StepRun(int step) {
  ReviewState& review = Review();
  const int64_t run = static_cast<int64_t>(review.run) + step;
  if (run < 0 || run >= static_cast<int64_t>(review.lines.size())) return;
  TakeStripLines();
  ShowRun(static_cast<size_t>(run));
}

void Zoom(int numerator, int denominator) {
  Gui().SetState(gui::CtlReviewStrip, Gui().State(gui::CtlReviewStrip) * numerator / denominator);
}

}  // namespace

void HandleReviewEvent(const gui::Event& event) {
  if (event.kind == gui::EventKind::Close || event.kind == gui::EventKind::Cancel) {
    CloseReview();  // nothing is written
    return;
  }
  if (event.kind != gui::EventKind::Control) return;
  switch (event.control) {
    case gui::CtlReviewPlanner:
      if (event.subtype == gui::EventSubtype::Changed) ChoosePlanner();
      break;
    case gui::CtlReviewStrip:
      TakeStripLines();
      ShowSummary();
      break;
    case gui::CtlReviewPrevious: StepRun(-1); break;
    case gui::CtlReviewNext: StepRun(1); break;
    case gui::CtlReviewZoomOut: Zoom(2, 3); break;
    case gui::CtlReviewZoomIn: Zoom(3, 2); break;
    case gui::CtlReviewSave: SaveEditedPlan(); break;
    default: break;
  }
}

CutPlan EditedPlan() {
  const ReviewState& review = Review();
  CutPlan plan = review.plan;
  for (size_t run = 0; run < plan.runs.size() && run < review.lines.size(); ++run) {
    const std::vector<PlanCut>& planned = review.plan.runs[run].cuts;
    std::vector<PlanCut> cuts;
    for (const gui::StripLine& line : review.lines[run]) {
      const bool kept = line.tag >= 0 && static_cast<size_t>(line.tag) < planned.size();
      PlanCut cut = kept ? planned[static_cast<size_t>(line.tag)] : PlanCut{line.row, CutKind::Fixed, {}};
      cut.row = line.row;
      cuts.push_back(cut);
    }
    plan.runs[run].cuts = std::move(cuts);
  }
  return plan;
}

ReviewState& Review() {
  static ReviewState state;
  return state;
}

void ResetReviewState() {
  ReviewState& review = Review();
  review.open = false;
  review.planning = false;
  review.plan = CutPlan{};
  review.lines.clear();
  review.pictures.clear();
  review.factors.clear();
  review.skipped.clear();
  review.run = 0;
  review.rows = ReducedRuns{};
}

void ShowReviewWindow() {
  if (JobBusy()) {
    Gui().MessageBox(u"알림", u"분할 작업이 진행 중입니다. 끝난 뒤에 다시 열어주세요.", gui::MessageIcon::Plain);
    return;
  }
  if (Gui().RowCount(gui::CtlSourceList) <= 0) {
    Gui().MessageBox(u"알림", u"파일을 추가해주세요.", gui::MessageIcon::Plain);
    return;
  }
  BuildWindow();
  Gui().SetState(gui::CtlReviewPlanner, App().smart_slice == 1 ? 1 : 0);
  Review().open = true;
  Gui().ShowWindow(gui::ReviewWindow, true);
  StartPlanning();
}

}  // namespace zen
