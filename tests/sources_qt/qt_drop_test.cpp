#include <gtest/gtest.h>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QString>
#include <QTreeWidget>
#include <QUrl>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/event_loop.h"
#include "app/loop_hooks.h"
#include "app/main_window.h"
#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/qt/qt_gui.h"

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

TEST(SourceListOnQt, AFileManagerDropReachesTheSourceList) {
  static int argc = 1;
  static char name[] = "sources_qt_tests";
  static char* argv[] = {name, nullptr};
  ResetAppState();
  ResetHooks();
  ResetImageTable();
  InstallGui(CreateQtGui(argc, argv));
  BuildMainWindow();
  WireSourceListHooks(Hooks());
  ImageCreate(SlotFolderIcon, 8, 8);

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

  InstallGui(nullptr);
  ResetHooks();
  ResetImageTable();
}

}  // namespace
}  // namespace zen
