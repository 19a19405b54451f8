#include <string>
#include <vector>

#include "app_harness.h"

namespace zen::test {
namespace {

using namespace zen::gui;

// A stand-in job that records what the loop asks of it.
class LoopTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    LoopHooks& hooks = Hooks();
    hooks.now = [this] { return now; };
    hooks.job_state = [this] { return state; };
    hooks.set_job_state = [this](int s) { state = s; };
    hooks.start_job = [this] {
      calls.push_back("start");
      state = 2;
      App().poll_events = true;
      Gui().SetContentSize(MainWindow, 470, 660);
    };
    hooks.step_job = [this] { calls.push_back("step"); };
    hooks.handle_about_event = [this](const Event& e) {
      calls.push_back(e.kind == EventKind::None ? "about-idle" : "about-event");
    };
    hooks.about_animation_step = [this] { calls.push_back("animate"); };
    hooks.add_dropped_files = [this](std::u16string_view text) { dropped = std::u16string(text); };
    for (auto [slot, name] :
         std::vector<std::pair<std::function<void()>*, const char*>>{{&hooks.add_files_from_dialog, "add"},
                                                                     {&hooks.remove_selected_rows, "remove"},
                                                                     {&hooks.move_selected_rows_up, "up"},
                                                                     {&hooks.move_selected_rows_down, "down"},
                                                                     {&hooks.clear_rows, "clear"},
                                                                     {&hooks.save_settings, "save"},
                                                                     {&hooks.show_about_window, "about"}}) {
      *slot = [this, n = std::string(name)] { calls.push_back(n); };
    }
  }

  void AddRow() { gui->InsertRow(CtlSourceList, -1, u" a", u"1.jpg", u"/a/1.jpg"); }

  int64_t now = 10000;
  int state = 0;
  std::vector<std::string> calls;
  std::u16string dropped;
};

TEST_F(LoopTest, WaitsWhenIdleAndPollsWhileAJobOrTheAnimationNeedsIt) {
  RunTurn();
  EXPECT_EQ(gui->WaitCalls(), 1);
  EXPECT_EQ(gui->PollCalls(), 0);
  App().poll_events = true;
  RunTurn();
  App().poll_events = false;
  App().about_animating = true;
  RunTurn();
  EXPECT_EQ(gui->WaitCalls(), 1);
  EXPECT_EQ(gui->PollCalls(), 2);
}

TEST_F(LoopTest, StartWithAnEmptyListShowsTheNotice) {
  gui->Press(CtlStartButton);
  RunTurn();
  EXPECT_EQ(state, 0);
  EXPECT_TRUE(calls.empty());
  ASSERT_EQ(gui->MessageBoxes().size(), 1u);
  EXPECT_EQ(gui->MessageBoxes()[0].title, u"알림");
  EXPECT_EQ(gui->MessageBoxes()[0].text, u"파일을 추가해주세요.");
  EXPECT_EQ(gui->MessageBoxes()[0].icon, MessageIcon::Plain);
}

TEST_F(LoopTest, StartBeginsInTheSameTurnWithoutAStep) {
  AddRow();
  gui->Press(CtlStartButton);
  RunTurn();
  EXPECT_EQ(calls, (std::vector<std::string>{"start"}));
  RunTurn();  // no event: the window of the last event is still the main window
  RunTurn();
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "step", "step"}));
  gui->Press(CtlStartButton);  // a restart while running: start again, no step
  RunTurn();
  EXPECT_EQ(calls.back(), "start");
  EXPECT_EQ(calls.size(), 4u);
}

TEST_F(LoopTest, ProgressRowHidesOnlyMoreThanASecondAfterTheEnd) {
  App().poll_events = true;
  App().job_end_time = now;
  gui->SetContentSize(MainWindow, 470, 660);
  now += 1000;
  RunTurn();
  EXPECT_TRUE(App().poll_events);
  EXPECT_EQ(gui->ContentSize(MainWindow).height, 660);
  now += 1;
  RunTurn();
  EXPECT_FALSE(App().poll_events);
  EXPECT_EQ(App().job_end_time, -1);
  EXPECT_EQ(gui->ContentSize(MainWindow), (Rect{0, 0, 470, 630}));
  RunTurn();
  EXPECT_EQ(gui->WaitCalls(), 1);  // waiting again
}

TEST_F(LoopTest, AJobStartedRightAfterAnEndKeepsPollingAndItsRow) {
  AddRow();
  App().poll_events = true;
  App().job_end_time = now;  // the previous job just ended
  now += 500;
  gui->Press(CtlStartButton);
  RunTurn();
  EXPECT_EQ(state, 2);
  now += 2000;
  RunTurn();
  RunTurn();
  EXPECT_TRUE(App().poll_events);
  EXPECT_EQ(gui->ContentSize(MainWindow).height, 660);
  EXPECT_EQ(calls, (std::vector<std::string>{"start", "step", "step"}));
}

TEST_F(LoopTest, JobAdvancesWhateverWindowTheTurnBelongsTo) {
  state = 2;
  App().poll_events = true;
  Event about;
  about.kind = EventKind::Control;
  about.window = AboutWindow;
  about.control = CtlAboutClose;
  gui->PushEvent(about);
  RunTurn();
  RunTurn();  // no event: still the About window's turn
  EXPECT_EQ(calls, (std::vector<std::string>{"about-event", "step", "about-idle", "step"}));
  App().about_animating = true;
  RunTurn();
  EXPECT_EQ(calls.back(), "animate");
}

TEST_F(LoopTest, EscapeInTheMainWindowCancelsTheJob) {
  int cancels = 0;
  Hooks().cancel_job = [&] { ++cancels; };
  EXPECT_TRUE(gui->PressKeys(u"Esc"));
  Drain();
  EXPECT_EQ(cancels, 1);
  gui->EnableWindow(MainWindow, false);  // the About window is open
  EXPECT_FALSE(gui->PressKeys(u"Esc"));
}

TEST_F(LoopTest, ButtonsAndDropsReachTheirParts) {
  for (ControlId id : {CtlToolbarAdd, CtlToolbarRemove, CtlToolbarUp, CtlToolbarDown, CtlToolbarClear, CtlSaveButton,
                       CtlAboutButton}) {
    gui->Press(id);
  }
  gui->Drop(CtlSourceList, u"/a/1.jpg\n/a/2.png");
  Drain();
  EXPECT_EQ(calls, (std::vector<std::string>{"add", "remove", "up", "down", "clear", "save", "about"}));
  EXPECT_EQ(dropped, u"/a/1.jpg\n/a/2.png");
}

TEST_F(LoopTest, ClosingTheMainWindowEndsTheLoopWithoutAStep) {
  state = 2;
  App().poll_events = true;
  gui->Close(MainWindow);
  EXPECT_FALSE(RunTurn());
  EXPECT_TRUE(calls.empty());
  Event menu;
  menu.kind = EventKind::Menu;
  gui->PushEvent(menu);
  EXPECT_TRUE(RunTurn());  // a menu event belongs to no window; only the job moves on
  EXPECT_EQ(calls, (std::vector<std::string>{"step"}));
}

}  // namespace
}  // namespace zen::test
