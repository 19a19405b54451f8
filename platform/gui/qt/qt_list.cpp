// The Qt window system: the rows of list controls.
#include <QHeaderView>

#include "platform/gui/qt/qt_gui_impl.h"

namespace zen::gui {
namespace {

constexpr int ColumnCount = 3;

QString ToQ(std::u16string_view text) { return QString::fromStdU16String(std::u16string(text)); }

}  // namespace

QTreeWidget* QtGui::FindList(ControlId id) {
  ControlRecord* c = Find(id);
  if (!c || c->kind != ControlKind::List) return nullptr;
  return static_cast<QTreeWidget*>(c->widget.data());
}

void QtGui::SetColumns(ControlId list, const std::vector<ListColumn>& columns) {
  QTreeWidget* tree = FindList(list);
  if (!tree) return;
  QStringList titles;
  for (const ListColumn& column : columns) titles << ToQ(column.title);
  tree->setColumnCount(static_cast<int>(columns.size()));
  tree->setHeaderLabels(titles);
  for (int i = 0; i < static_cast<int>(columns.size()); ++i) {
    const int width = columns[static_cast<size_t>(i)].width;
    tree->setColumnHidden(i, width <= 0);
    if (width > 0) tree->setColumnWidth(i, width);
  }
}

int QtGui::RowCount(ControlId list) {
  QTreeWidget* tree = FindList(list);
  return tree ? tree->topLevelItemCount() : 0;
}

void QtGui::InsertRow(ControlId list, int index, std::u16string_view c0, std::u16string_view c1,
                      std::u16string_view c2) {
  QTreeWidget* tree = FindList(list);
  if (!tree) return;
  auto* item = new QTreeWidgetItem(QStringList{ToQ(c0), ToQ(c1), ToQ(c2)});
  item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren);
  const int count = tree->topLevelItemCount();
  if (index < 0 || index > count) index = count;
  tree->insertTopLevelItem(index, item);
}

void QtGui::RemoveRow(ControlId list, int index) {
  QTreeWidget* tree = FindList(list);
  if (!tree || index < 0 || index >= tree->topLevelItemCount()) return;
  delete tree->takeTopLevelItem(index);
}

void QtGui::ClearRows(ControlId list) {
  if (QTreeWidget* tree = FindList(list)) tree->clear();
}

std::u16string QtGui::CellText(ControlId list, int row, int column) {
  QTreeWidget* tree = FindList(list);
  if (!tree || column < 0 || column >= ColumnCount) return {};
  QTreeWidgetItem* item = tree->topLevelItem(row);
  return item ? item->text(column).toStdU16String() : std::u16string();
}

void QtGui::SetCellText(ControlId list, int row, int column, std::u16string_view text) {
  QTreeWidget* tree = FindList(list);
  if (!tree || column < 0 || column >= ColumnCount) return;
  if (QTreeWidgetItem* item = tree->topLevelItem(row)) item->setText(column, ToQ(text));
}

void QtGui::SetRowIcon(ControlId list, int row, const NativeImage* icon) {
  QTreeWidget* tree = FindList(list);
  if (!tree) return;
  QTreeWidgetItem* item = tree->topLevelItem(row);
  if (!item) return;
  const QImage picture = ToQImage(icon, tree->devicePixelRatioF());
  item->setIcon(0, picture.isNull() ? QIcon() : QIcon(QPixmap::fromImage(picture)));
}

void QtGui::SetRowToolTip(ControlId list, int row, std::u16string_view text) {
  QTreeWidget* tree = FindList(list);
  if (!tree) return;
  QTreeWidgetItem* item = tree->topLevelItem(row);
  if (!item) return;
  for (int column = 0; column < ColumnCount; ++column) item->setToolTip(column, ToQ(text));
}

bool QtGui::RowSelected(ControlId list, int row) {
  QTreeWidget* tree = FindList(list);
  if (!tree) return false;
  QTreeWidgetItem* item = tree->topLevelItem(row);
  return item && item->isSelected();
}

void QtGui::SelectRow(ControlId list, int row) {
  QTreeWidget* tree = FindList(list);
  if (!tree) return;
  if (QTreeWidgetItem* item = tree->topLevelItem(row)) item->setSelected(true);
}

void QtGui::ClearSelection(ControlId list) {
  if (QTreeWidget* tree = FindList(list)) tree->clearSelection();
}

}  // namespace zen::gui
