#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMessageBox>
#include <QMimeData>
#include <QString>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/qt/qt_gui.h"
#include "platform/text.h"
#include "tests/support/shell_records.h"

namespace zen {
namespace {

using namespace zen::gui;

QTreeWidget* FindSourceTree() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* tree = top->findChild<QTreeWidget*>()) return tree;
  }
  return nullptr;
}

// Drag-enter, drag-move and drop on the list's viewport, as a file manager's drag does.
void DropUrls(QTreeWidget* tree, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint at(20, 20);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tree->viewport(), &enter);
  QDragMoveEvent move(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tree->viewport(), &move);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tree->viewport(), &drop);
}

// The main window on Qt with the source list's hooks, as the program has it.
class SourceListOnQt : public ::testing::Test {
 protected:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "sources_qt_tests";
    static char* argv[] = {name, nullptr};
    test::ResetProcessRecords();
    InstallGui(CreateQtGui(argc, argv));
    BuildMainWindow();
    WireSourceListHooks(Hooks());
    ImageCreate(SlotFolderIcon, 8, 8);
  }
  void TearDown() override {
    InstallGui(nullptr);
    test::ResetProcessRecords();
  }
};

TEST_F(SourceListOnQt, AFileManagerDropReachesTheSourceList) {
  QTreeWidget* tree = FindSourceTree();
  ASSERT_NE(tree, nullptr);
  QString notice;
  QTimer::singleShot(50, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      notice = box->text();
      box->close();
    }
  });
  DropUrls(tree, {QUrl::fromLocalFile(QString::fromStdU16String(u"/w/에피소드 1/b.jpg")),
                  QUrl(QStringLiteral("https://example.com/x.jpg")),
                  QUrl::fromLocalFile(QStringLiteral("/w/에피소드 1/a.png")),
                  QUrl::fromLocalFile(QStringLiteral("/w/에피소드 1/notes.txt"))});
  ASSERT_TRUE(RunTurn());

  ASSERT_EQ(Gui().RowCount(CtlSourceList), 2);
  EXPECT_EQ(Gui().CellText(CtlSourceList, 0, 2), u"/w/에피소드 1/a.png");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 1, 2), u"/w/에피소드 1/b.jpg");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 0, 0), u" 에피소드 1");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 1, 1), u"b.jpg");
  EXPECT_TRUE(Gui().RowSelected(CtlSourceList, 0));
  EXPECT_TRUE(Gui().RowSelected(CtlSourceList, 1));
  EXPECT_TRUE(notice.endsWith(QStringLiteral("\n\nnotes.txt"))) << notice.toStdString();
}

TEST_F(SourceListOnQt, DroppedFilesAndFoldersComeInNaturalOrder) {
  const std::filesystem::path root = std::filesystem::temp_directory_path() / "zen-qt-folder-drop";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root / "ep1");
  std::filesystem::create_directories(root / "ep2");
  for (const char* name : {"ep1/1.png", "ep1/2.png", "ep1/10.png", "ep2/10.jpg", "ep2/9.jpg", "ep2/x.txt"}) {
    std::ofstream(root / name) << "x";
  }
  auto url = [&](const char* name) { return QUrl::fromLocalFile(QString::fromStdString((root / name).string())); };
  DropUrls(FindSourceTree(), {url("ep1/10.png"), url("ep1/2.png"), url("ep1/1.png"), url("ep2")});
  ASSERT_TRUE(RunTurn());
  std::vector<std::u16string> files;
  for (int row = 0; row < Gui().RowCount(CtlSourceList); ++row) files.push_back(Gui().CellText(CtlSourceList, row, 1));
  EXPECT_EQ(files, (std::vector<std::u16string>{u"1.png", u"2.png", u"10.png", u"9.jpg", u"10.jpg"}));
  EXPECT_EQ(Gui().CellText(CtlSourceList, 3, 0), u" ep2");
  // Each row shows its full path when the pointer rests on it.
  QTreeWidgetItem* first = FindSourceTree()->topLevelItem(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->toolTip(1), QString::fromStdString((root / "ep1/1.png").string()));
  std::filesystem::remove_all(root);
}

// "Open with" from a file manager: the window program started with two files of one
// folder, one of them given relative to the starting folder, lists them as a drop would.
// A name holding a line feed stays one name.
TEST_F(SourceListOnQt, FilesOnTheCommandLineAreListedAsADrop) {
  const std::string here = std::filesystem::current_path().string();
  DropOnSourceList(
      CommandLineDropText({"./에피소드 2/b.jpg", here + "/에피소드 2/a.psd", here + "/에피소드 2/c\nd.png"}));

  ASSERT_EQ(Gui().RowCount(CtlSourceList), 3);
  EXPECT_EQ(ToUtf8(Gui().CellText(CtlSourceList, 0, 2)), here + "/에피소드 2/a.psd");
  EXPECT_EQ(ToUtf8(Gui().CellText(CtlSourceList, 1, 2)), here + "/에피소드 2/b.jpg");
  EXPECT_EQ(ToUtf8(Gui().CellText(CtlSourceList, 2, 2)), here + "/에피소드 2/c\nd.png");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 0, 0), u" 에피소드 2");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 1, 0), u"");
}

}  // namespace
}  // namespace zen
