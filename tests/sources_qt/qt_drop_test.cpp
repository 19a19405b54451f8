#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QString>
#include <QTreeWidget>
#include <QUrl>

#include <filesystem>
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
}

// "Open with" from a file manager: the window program started with two files of one
// folder, one of them given relative to the starting folder, lists them as a drop would.
// A name holding a line feed would become two names in the drop: it is left out.
TEST_F(SourceListOnQt, FilesOnTheCommandLineAreListedAsADrop) {
  const std::string here = std::filesystem::current_path().string();
  DropOnSourceList(CommandLineDropText(
      {"./에피소드 2/b.jpg", here + "/에피소드 2/a.psd", here + "/에피소드 2/c.png\n" + here + "/에피소드 2/d.png"}));

  ASSERT_EQ(Gui().RowCount(CtlSourceList), 2);
  EXPECT_EQ(ToUtf8(Gui().CellText(CtlSourceList, 0, 2)), here + "/에피소드 2/a.psd");
  EXPECT_EQ(ToUtf8(Gui().CellText(CtlSourceList, 1, 2)), here + "/에피소드 2/b.jpg");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 0, 0), u" 에피소드 2");
  EXPECT_EQ(Gui().CellText(CtlSourceList, 1, 0), u"");
}

}  // namespace
}  // namespace zen
