// A user's round trip on the real window: type a new piece height, press
// "현재 설정 저장", close the program, start it again, and the height is back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/loop_hooks.h"
#include "app/startup.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/qt/qt_gui.h"
#include "tests/support/shell_records.h"

namespace zen {
namespace {

namespace fs = std::filesystem;
using namespace zen::gui;

int g_argc = 1;
char g_name[] = "settings_qt_tests";
char* g_argv[] = {g_name, nullptr};

void StartProgram() {
  test::ResetProcessRecords();
  InstallGui(CreateQtGui(g_argc, g_argv));
  StartUp(true);
}

void StopProgram() {
  ExitCleanUp();
  InstallGui(nullptr);
  ResetHooks();
}

// Runs loop turns until the window system has nothing more for us; the loop polls for it.
void RunPendingTurns() {
  App().poll_events = true;
  for (int i = 0; i < 200; ++i) {
    QCoreApplication::processEvents();
    ASSERT_TRUE(RunTurn());
  }
  App().poll_events = false;
}

// The entry field whose top-left corner sits at (x, y) of the window's content.
QLineEdit* FieldAt(int x, int y) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    for (QLineEdit* edit : top->findChildren<QLineEdit*>()) {
      const QPoint at = edit->mapTo(edit->window(), QPoint(0, 0));
      if (at == QPoint(x, y) && edit->isVisible()) return edit;
    }
  }
  return nullptr;
}

QPushButton* ButtonLabelled(const QString& label) {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    for (QPushButton* button : top->findChildren<QPushButton*>()) {
      if (button->text() == label) return button;
    }
  }
  return nullptr;
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(SettingsOnQt, ASavedFieldIsBackAfterARestart) {
  const fs::path config = fs::temp_directory_path() / ("zen-settings-qt-" + std::to_string(getpid()));
  fs::remove_all(config);
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);

  StartProgram();
  QLineEdit* height = FieldAt(170, 370);  // the field after "세로 분할 크기 :"
  ASSERT_NE(height, nullptr);
  EXPECT_EQ(height->text(), QStringLiteral("1500"));
  height->setFocus();
  height->selectAll();
  QTest::keyClicks(height, QStringLiteral("12x34"));  // the letter is refused
  RunPendingTurns();
  EXPECT_EQ(Gui().Text(CtlHeightField), u"1234");

  QPushButton* save = ButtonLabelled(QString::fromStdU16String(u"현재 설정 저장"));
  ASSERT_NE(save, nullptr);
  bool confirmed = false;
  // The confirmation is modal: read it and press its OK button as the user would.
  QTimer::singleShot(300, [&confirmed] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    confirmed = box->windowTitle() == QString::fromStdU16String(u"알림") &&
                box->text() == QString::fromStdU16String(u"현재 설정이 저장되었습니다.");
    if (auto* ok = box->findChild<QPushButton*>()) ok->click();
  });
  save->click();
  RunPendingTurns();
  EXPECT_TRUE(confirmed);
  EXPECT_NE(ReadFile(config / "Zentrova" / "config.ini").find("SliceHeight = 1234\n"), std::string::npos);
  StopProgram();

  StartProgram();
  EXPECT_EQ(Gui().Text(CtlHeightField), u"1234");
  ASSERT_NE(FieldAt(170, 370), nullptr);
  EXPECT_EQ(FieldAt(170, 370)->text(), QStringLiteral("1234"));
  StopProgram();
  fs::remove_all(config);
}

}  // namespace
}  // namespace zen
