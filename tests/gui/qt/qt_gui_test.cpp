#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/field_rules.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/qt/qt_gui_impl.h"
#include "tests/gui/qt/qt_fixture.h"

namespace zen::gui {
namespace {

TEST_F(QtGuiTest, ControlsStandAtTheirPlacesWithTheirTexts) {
  QWidget* window = gui->WindowWidget(MainWindow);
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Zentrova V2"));
  EXPECT_EQ(window->size(), QSize(470, 630));
  EXPECT_EQ(gui->ControlWidget(CtlSourceList)->geometry(), QRect(10, 80, 450, 200));
  EXPECT_EQ(gui->ControlWidget(CtlStartButton)->geometry(), QRect(210, 560, 250, 60));
  EXPECT_EQ(gui->ControlWidget(CtlHeightField)->geometry(), QRect(170, 370, 60, 22));
  EXPECT_EQ(Widget<QPushButton>(CtlStartButton)->text(), QString::fromUtf8("이미지 분할 시작"));
  EXPECT_EQ(Widget<QGroupBox>(CtlCuttingFrame)->title(), QString::fromUtf8("분할 설정"));
  EXPECT_EQ(Widget<QCheckBox>(CtlOpenFolderCheck)->text(), QString::fromUtf8("분할 완료 후 저장 폴더 열기"));
  EXPECT_TRUE(Widget<QCheckBox>(CtlOpenFolderCheck)->isChecked());
  EXPECT_EQ(Widget<QLabel>(CtlDigitsLabel)->text(), QString::fromUtf8("파일명 자릿수 (1) :"));
  EXPECT_EQ(Widget<QLabel>(CtlProgressText)->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
  EXPECT_EQ(Widget<QComboBox>(CtlFolderBox)->currentText(), QStringLiteral("slice"));
  EXPECT_EQ(Widget<QComboBox>(CtlPrefixBox)->currentText(), QStringLiteral("slice_"));
  EXPECT_EQ(Widget<QComboBox>(CtlFormatBox)->currentText(), QStringLiteral("jpg"));
  EXPECT_FALSE(Widget<QComboBox>(CtlFormatBox)->isEditable());
  EXPECT_EQ(Widget<QLineEdit>(CtlQualityField)->maxLength(), 2);
  EXPECT_TRUE(Widget<QPushButton>(CtlStartButton)->font().bold());
  EXPECT_EQ(Widget<QPushButton>(CtlStartButton)->font().pixelSize(), 14);
  EXPECT_EQ(Widget<QLabel>(CtlHeightLabel)->font().pixelSize(), 13);
  auto* tree = Widget<QTreeWidget>(CtlSourceList);
  EXPECT_TRUE(tree->isColumnHidden(2));
  EXPECT_EQ(tree->columnWidth(1), 330);
  EXPECT_EQ(tree->selectionMode(), QAbstractItemView::ExtendedSelection);
  // Toolbar: a 20 x 20 box clipping a 24 x 24 button at (-2, -2).
  QWidget* box = gui->ControlWidget(CtlToolbarUp);
  EXPECT_EQ(box->geometry(), QRect(400, 280, 20, 20));
  auto* button = box->findChild<QPushButton*>();
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->geometry(), QRect(-2, -2, 24, 24));
  // The progress row lies below the content until a job grows the window.
  EXPECT_EQ(gui->ControlWidget(CtlProgressBar)->geometry(), QRect(210, 630, 250, 20));
  gui->SetContentSize(MainWindow, 470, 660);
  EXPECT_EQ(window->size(), QSize(470, 660));
}

TEST_F(QtGuiTest, DigitFieldsRefuseNonDigitsAndReportChanges) {
  QLineEdit* edit = Widget<QLineEdit>(CtlQualityField);
  edit->clear();
  Drain();
  TypeKey(edit, u'a');
  TypeKey(edit, u'-');
  EXPECT_EQ(edit->text(), QString());
  EXPECT_TRUE(Drain().empty());
  TypeKey(edit, u'7');
  TypeKey(edit, u'1');
  TypeKey(edit, u'3');  // a third character is too many
  EXPECT_EQ(edit->text(), QStringLiteral("71"));
  auto events = Drain();
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0].kind, EventKind::Control);
  EXPECT_EQ(events[0].control, CtlQualityField);
  EXPECT_EQ(events[0].subtype, EventSubtype::Changed);
  gui->SetText(CtlQualityField, u"5");  // the program's own changes are not edits
  EXPECT_TRUE(Drain().empty());
}

TEST_F(QtGuiTest, TypingThroughTheLoopClampsTheHeight) {
  QLineEdit* edit = Widget<QLineEdit>(CtlHeightField);
  edit->clear();
  for (QChar ch : QStringLiteral("40000")) {
    TypeKey(edit, ch);
    while (gui->PendingEvents() > 0) RunTurn();
  }
  EXPECT_EQ(edit->text(), QStringLiteral("32000"));
}

TEST_F(QtGuiTest, FocusChangesReachTheQueue) {
  QWidget* window = gui->WindowWidget(MainWindow);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  Drain();
  gui->ControlWidget(CtlHeightField)->setFocus(Qt::MouseFocusReason);
  gui->ControlWidget(CtlFolderBox)->setFocus(Qt::TabFocusReason);
  auto events = Drain();
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].control, CtlHeightField);
  EXPECT_EQ(events[0].subtype, EventSubtype::FocusGained);
  EXPECT_EQ(events[1].control, CtlHeightField);
  EXPECT_EQ(events[1].subtype, EventSubtype::FocusLost);
  EXPECT_EQ(events[2].control, CtlFolderBox);  // the combo box itself, not its line edit
  EXPECT_EQ(events[2].subtype, EventSubtype::FocusGained);
}

TEST_F(QtGuiTest, DroppedFileUrlsArriveAsPathsJoinedByLineFeeds) {
  auto* tree = Widget<QTreeWidget>(CtlSourceList);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(QString::fromUtf8("/만화/1화/b.jpg")),
                QUrl::fromLocalFile(QStringLiteral("/a/a.png")), QUrl(QStringLiteral("https://example.com/x.jpg"))});
  const QPoint at(50, 50);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tree->viewport(), &enter);
  EXPECT_TRUE(enter.isAccepted());
  QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tree->viewport(), &move);
  EXPECT_TRUE(move.isAccepted());
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tree->viewport(), &drop);
  auto events = Drain();
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].kind, EventKind::Drop);
  EXPECT_EQ(events[0].window, MainWindow);
  EXPECT_EQ(events[0].control, CtlSourceList);
  EXPECT_EQ(events[0].dropped, u"/만화/1화/b.jpg\n/a/a.png");
}

TEST_F(QtGuiTest, ListRowsKeepTextsSelectionAndIcons) {
  gui->InsertRow(CtlSourceList, -1, u" a", u"1.jpg", u"/a/1.jpg");
  gui->InsertRow(CtlSourceList, 0, u"", u"0.jpg", u"/a/0.jpg");
  EXPECT_EQ(gui->RowCount(CtlSourceList), 2);
  EXPECT_EQ(gui->CellText(CtlSourceList, 1, 2), u"/a/1.jpg");
  gui->SelectRow(CtlSourceList, 0);
  gui->SelectRow(CtlSourceList, 1);
  EXPECT_TRUE(gui->RowSelected(CtlSourceList, 0) && gui->RowSelected(CtlSourceList, 1));
  ImageCreate(20, 16, 16);
  gui->SetRowIcon(CtlSourceList, 0, ImageNativeObject(20));
  EXPECT_FALSE(Widget<QTreeWidget>(CtlSourceList)->topLevelItem(0)->icon(0).isNull());
  gui->RemoveRow(CtlSourceList, 0);
  EXPECT_TRUE(gui->RowSelected(CtlSourceList, 0));
  gui->ClearSelection(CtlSourceList);
  EXPECT_FALSE(gui->RowSelected(CtlSourceList, 0));
}

TEST_F(QtGuiTest, CloseBoxAndQuitShortcutBecomeCloseEvents) {
  QWidget* window = gui->WindowWidget(MainWindow);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  Drain();
  window->close();
  EXPECT_TRUE(window->isVisible());  // the loop decides
  QTest::keyClick(window, Qt::Key_Q, Qt::ControlModifier);
  auto events = Drain();
  ASSERT_EQ(events.size(), 2u);  // the close box, then Ctrl+Q
  for (const Event& e : events) {
    EXPECT_EQ(e.kind, EventKind::Close);
    EXPECT_EQ(e.window, MainWindow);
  }
}

TEST_F(QtGuiTest, MessageBoxGivesTheKeyboardBackToThePreviousWindow) {
  QWidget* window = gui->WindowWidget(MainWindow);
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window));
  QString seen;
  QTimer::singleShot(50, [&] {
    if (QWidget* box = QApplication::activeModalWidget()) {
      seen = box->windowTitle();
      box->close();
    }
  });
  gui->MessageBox(u"알림", u"파일을 추가해주세요.", MessageIcon::Plain);
  EXPECT_EQ(seen, QString::fromUtf8("알림"));
  EXPECT_TRUE(QTest::qWaitForWindowActive(window));
}

TEST(NameFilters, BuiltFromTheFilterText) {
  const QStringList filters = NameFiltersFromText(
      u"지원되는 이미지 파일 ( jpg, png, psd, psb ) | *.jpg;*.png;*.psd;*.psb; | JPG | *.jpg; | PNG | *.png; | PSD | "
      u"*.psd; | PSB | *.psb;");
  ASSERT_EQ(filters.size(), 5);
  EXPECT_EQ(filters[0], QString::fromUtf8("지원되는 이미지 파일 ( jpg, png, psd, psb ) (*.jpg *.JPG *.png *.PNG *.psd "
                                          "*.PSD *.psb *.PSB)"));
  EXPECT_EQ(filters[1], QStringLiteral("JPG (*.jpg *.JPG)"));
}

}  // namespace
}  // namespace zen::gui
