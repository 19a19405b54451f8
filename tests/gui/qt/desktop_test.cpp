// What a desktop user expects of the window: the About window kept above its owner, the
// job moving whatever window is used, keyboard, tab order, tooltips, Escape.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>

#include "app/event_loop.h"
#include "tests/gui/qt/qt_fixture.h"

namespace zen::gui {
namespace {

class DesktopTest : public QtGuiTest {
 protected:
  QWidget* OpenAbout() {
    gui->OpenWindow(AboutWindow, 360, 520, u"정보", MainWindow, false);
    gui->CreateControl(AboutWindow, CtlAboutClose, ControlKind::Button, {200, 460, 150, 30}, u"닫기", {});
    gui->ShowWindow(AboutWindow, true);
    return gui->WindowWidget(AboutWindow);
  }
};

TEST_F(DesktopTest, TheAboutWindowBelongsToTheMainWindowAndGetsTheKeyboardBackAfterABox) {
  QWidget* about = OpenAbout();
  QWidget* main = gui->WindowWidget(MainWindow);
  // A dialog with a transient parent: X window managers keep it above the main window.
  EXPECT_EQ(about->windowType(), Qt::Dialog);
  ASSERT_NE(about->windowHandle(), nullptr);
  EXPECT_EQ(about->windowHandle()->transientParent(), main->windowHandle());
  // A box right after showing (the engine's error box) comes back to the About window.
  QString title, text;
  QWidget* owner = nullptr;
  QTimer::singleShot(50, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      title = box->windowTitle();
      text = box->text();
      owner = box->parentWidget();
      box->close();
    }
  });
  gui->MessageBox(u"Error", u"Can't open windowed screen!", MessageIcon::Plain);
  EXPECT_EQ(title, QStringLiteral("Error"));
  EXPECT_EQ(text, QStringLiteral("Can't open windowed screen!"));  // the title is not repeated
  EXPECT_EQ(owner, about);
  EXPECT_TRUE(QTest::qWaitForWindowActive(about));

  // A click on the main window, set aside while the About window is open, hands the
  // keyboard back to the About window.
  gui->EnableWindow(MainWindow, false);
  main->activateWindow();
  QTest::qWait(100);
  EXPECT_EQ(QApplication::activeWindow(), about);
}

TEST_F(DesktopTest, AMessageBoxKeepsALongLineWhole) {
  const std::u16string line =
      u"저장 폴더에 같은 이름의 파일이 있어서 이번 작업에서는 그 파일을 덮어쓰지 않고 건너뛰었습니다.";
  int label_height = 0, line_height = 0;
  QTimer::singleShot(50, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
        label_height = label->height();
        line_height = label->fontMetrics().lineSpacing();
      }
      box->close();
    }
  });
  gui->MessageBox(u"알림", line, MessageIcon::Plain);
  ASSERT_GT(line_height, 0);
  EXPECT_LT(label_height, 2 * line_height);
}

TEST_F(DesktopTest, AJobReachesItsEndWithOnlyTheAboutWindowUsed) {
  int steps_left = 5;
  Hooks().job_state = [&] { return steps_left > 0 ? 2 : 0; };
  Hooks().step_job = [&] { --steps_left; };
  App().poll_events = true;
  QWidget* about = OpenAbout();
  ASSERT_TRUE(QTest::qWaitForWindowActive(about));
  Drain();
  QTest::mouseClick(gui->ControlWidget(CtlAboutClose), Qt::LeftButton);
  for (int turn = 0; turn < 10 && steps_left > 0; ++turn) RunTurn();
  EXPECT_EQ(steps_left, 0);
  EXPECT_EQ(App().event_window, AboutWindow);
}

TEST_F(DesktopTest, KeysPressTheirButtonsTabFollowsTheLayoutAndIconsExplainThemselves) {
  ActivateMain();
  QWidget* window = gui->WindowWidget(MainWindow);
  auto pressed = [&](QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QTest::keyClick(target, key, modifiers);
    std::vector<ControlId> controls;
    for (const Event& e : Drain()) {
      if (e.subtype == EventSubtype::Pressed) controls.push_back(e.control);
    }
    return controls;
  };
  using Ids = std::vector<ControlId>;
  EXPECT_EQ(pressed(window, Qt::Key_O, Qt::ControlModifier), Ids{CtlToolbarAdd});
  EXPECT_EQ(pressed(window, Qt::Key_S, Qt::ControlModifier), Ids{CtlSaveButton});
  EXPECT_EQ(pressed(window, Qt::Key_Return, Qt::ControlModifier), Ids{CtlStartButton});
  // Delete and Alt+arrows act on the list only: in a field they keep their usual meaning.
  QWidget* field = gui->ControlWidget(CtlHeightField);
  field->setFocus();
  EXPECT_EQ(pressed(field, Qt::Key_Delete, Qt::NoModifier), Ids{});
  QWidget* list = gui->ControlWidget(CtlSourceList);
  list->setFocus();
  EXPECT_EQ(pressed(list, Qt::Key_Delete, Qt::NoModifier), Ids{CtlToolbarRemove});
  EXPECT_EQ(pressed(list, Qt::Key_Up, Qt::AltModifier), Ids{CtlToolbarUp});
  EXPECT_EQ(pressed(list, Qt::Key_Down, Qt::AltModifier), Ids{CtlToolbarDown});

  // Tab: the list, then the cutting settings from the top.
  QTest::keyClick(list, Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), gui->ControlWidget(CtlFixedOption));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), gui->ControlWidget(CtlHeightField));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), gui->ControlWidget(CtlJoinCheck));

  auto* add = gui->ControlWidget(CtlToolbarAdd)->findChild<QPushButton*>();
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->toolTip(), QString::fromUtf8("파일 추가 (Ctrl+O)"));
  for (ControlId id : {CtlToolbarRemove, CtlToolbarUp, CtlToolbarDown, CtlToolbarClear}) {
    EXPECT_FALSE(gui->ControlWidget(id)->toolTip().isEmpty());
  }
}

TEST_F(DesktopTest, TheOpenDialogReturnsEveryTypedNameAndNothingUnchosen) {
  QTemporaryDir folder;
  for (const char* name : {"PHOTO.JPG", "notes.txt"}) {
    QFile file(folder.filePath(QString::fromLatin1(name)));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  bool open_after_empty_accept = false;
  QTimer::singleShot(50, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    // A folder typed with "/" opens it, and Open with nothing typed or selected there must
    // not take the folder itself (Qt's completion left it selected in the view).
    edit->setText(folder.path() + u'/');
    static_cast<QDialog*>(dialog)->accept();
    static_cast<QDialog*>(dialog)->accept();
    open_after_empty_accept = dialog->isVisible();
    edit->setText(QStringLiteral("\"PHOTO.JPG\" \"notes.txt\""));
    static_cast<QDialog*>(dialog)->accept();
  });
  const std::vector<std::u16string> chosen = gui->OpenFilesDialog(u"열기", u"JPG | *.jpg;", true);
  EXPECT_TRUE(open_after_empty_accept);
  const std::vector<std::u16string> expected = {folder.filePath(QStringLiteral("PHOTO.JPG")).toStdU16String(),
                                                folder.filePath(QStringLiteral("notes.txt")).toStdU16String()};
  EXPECT_EQ(chosen, expected);
}

TEST_F(DesktopTest, EscapeCancelsTheJobInTheMainWindowAndClosesTheAboutWindow) {
  int state = 2;
  Hooks().job_state = [&] { return state; };
  Hooks().cancel_job = [&] { state = 0; };
  App().poll_events = true;
  ActivateMain();
  QTest::keyClick(gui->ControlWidget(CtlHeightField), Qt::Key_Escape);  // a field does not keep it
  RunTurn();
  EXPECT_EQ(state, 0);

  QWidget* about = OpenAbout();
  ASSERT_TRUE(QTest::qWaitForWindowActive(about));
  Drain();
  QTest::keyClick(about, Qt::Key_Escape);
  std::vector<Event> events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::Cancel);
  EXPECT_EQ(events[0].window, AboutWindow);
}

}  // namespace
}  // namespace zen::gui
