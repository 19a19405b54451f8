#include "sources/source_list.h"

#include <algorithm>
#include <vector>

#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/window_system.h"
#include "platform/text.h"
#include "sources/file_order.h"
#include "sources/folder_files.h"
#include "sources/path_helpers.h"

namespace zen {
namespace {

using gui::Gui;
constexpr gui::ControlId kList = gui::CtlSourceList;

constexpr std::u16string_view kDialogTitle = u"이미지 파일을 선택하세요.";
constexpr std::u16string_view kDialogFilter =
    u"지원되는 이미지 파일 ( jpg, png, psd, psb ) | *.jpg;*.jpeg;*.png;*.psd;*.psb; | JPG | *.jpg;*.jpeg; | "
    u"PNG | *.png; | PSD | *.psd; | PSB | *.psb; | 모든 파일 | *;";
constexpr std::u16string_view kNoticeTitle = u"알림";
constexpr std::u16string_view kRefused = u"이미지 파일(jpg, jpeg, png, psd, psb)만 목록에 추가할 수 있습니다.\r";
constexpr size_t kRefusedNamesShown = 10;
constexpr std::u16string_view kSameFolderOnly = u"같은 폴더에 위치한 파일끼리 순서 변경이 가능합니다.";

bool SameFolder(int row_a, int row_b) { return FolderPart(SourceRowPath(row_a)) == FolderPart(SourceRowPath(row_b)); }

// A row for path at index (-1 appends), with an empty folder label and the full path as
// its tooltip; returns its index.
int InsertSourceRow(int index, std::u16string_view path) {
  Gui().InsertRow(kList, index, u"", FilePart(path), path);
  const int row = index < 0 ? Gui().RowCount(kList) - 1 : index;
  Gui().SetRowToolTip(kList, row, path);  // the folder column shows only the last folder
  return row;
}

// Inserts the accepted paths, each one selected: the files of one folder together, in the
// given order, below that folder's run (or appended), so a folder never splits into two
// runs that would number their pieces from 1 twice. Returns the names refused.
std::vector<std::u16string> InsertGrouped(const std::vector<std::u16string>& paths) {
  std::vector<std::u16string> folders;
  std::vector<std::u16string> refused;
  for (const std::u16string& path : paths) {
    if (!IsAcceptedImage(path)) {
      refused.push_back(path);
      continue;
    }
    const std::u16string folder(FolderPart(path));
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  for (const std::u16string& folder : folders) {
    int position = FindFolderInsertPosition(folder);
    for (const std::u16string& path : paths) {
      if (FolderPart(path) != folder || !IsAcceptedImage(path)) continue;
      Gui().SelectRow(kList, InsertSourceRow(position, path));
      if (position != -1) ++position;
    }
  }
  return refused;
}

// One notice naming the files that are not images the list takes.
void ReportRefused(const std::vector<std::u16string>& refused) {
  if (refused.empty()) return;
  std::u16string text(kRefused);
  const size_t shown = std::min(refused.size(), kRefusedNamesShown);
  for (size_t i = 0; i < shown; ++i) {
    text += u"\r";
    text += FilePart(refused[i]);
  }
  if (refused.size() > shown) text += u"\r외 " + IntToText(static_cast<int64_t>(refused.size() - shown)) + u"개";
  Gui().MessageBox(kNoticeTitle, text, gui::MessageIcon::Plain);
}

// Natural order first, then each folder stands for its image files; the accepted files
// are inserted and the refused named in one notice.
void AddNames(std::vector<std::u16string> names) {
  SortNaturally(names);
  const std::vector<std::u16string> refused = InsertGrouped(ExpandFolders(names));
  RefreshFolderColumn();
  ReportRefused(refused);
}

// The names between line feeds. Empty names (a trailing or doubled line feed) name no
// file; dropping them keeps them from deciding where the real files go.
void ShowSameFolderNotice() { Gui().MessageBox(kNoticeTitle, kSameFolderOnly, gui::MessageIcon::Plain); }

}  // namespace

void SetUpSourceListColumns() { Gui().SetColumns(kList, {{u"폴더", 100}, {u"파일", 330}, {u"전체경로", 0}}); }

int SourceRowCount() { return Gui().RowCount(kList); }

std::u16string SourceRowPath(int row) { return Gui().CellText(kList, row, SourceColumnPath); }

int FindFolderInsertPosition(std::u16string_view folder) {
  for (int row = SourceRowCount() - 1; row >= 0; --row) {
    if (FolderPart(SourceRowPath(row)) == folder) return row + 1;
  }
  return -1;
}

void RefreshFolderColumn() {
  const NativeImage* icon = ImageNativeObject(gui::SlotFolderIcon);
  std::u16string previous_folder;
  const int count = SourceRowCount();
  for (int row = 0; row < count; ++row) {
    const std::u16string path = SourceRowPath(row);
    const std::u16string folder(FolderPart(path));
    const bool starts_run = row == 0 || folder != previous_folder;
    if (starts_run) {
      Gui().SetCellText(kList, row, SourceColumnFolder, u" " + std::u16string(ParentFolderName(path)));
    } else {
      Gui().SetCellText(kList, row, SourceColumnFolder, u"");
    }
    Gui().SetRowIcon(kList, row, starts_run ? icon : nullptr);
    previous_folder = folder;
  }
}

void AddFilesFromDialog() {
  std::vector<std::u16string> paths = Gui().OpenFilesDialog(kDialogTitle, kDialogFilter, true);
  Gui().ClearSelection(kList);
  AddNames(std::move(paths));
}

void AddDroppedFiles(std::u16string_view dropped) {
  std::vector<std::u16string> names = SplitNames(dropped);
  if (!names.empty()) AddNames(std::move(names));
}

void SetSourceRows(const std::vector<std::u16string>& paths) {
  Gui().ClearRows(kList);
  for (const std::u16string& path : paths) {
    if (IsAcceptedImage(path)) InsertSourceRow(-1, path);
  }
  RefreshFolderColumn();
}

std::u16string DropTextOf(const std::vector<std::u16string>& paths) { return JoinedNames(paths); }

void RemoveSelectedRows() {
  for (int row = SourceRowCount() - 1; row >= 0; --row) {
    if (Gui().RowSelected(kList, row)) Gui().RemoveRow(kList, row);
  }
  RefreshFolderColumn();
}

void MoveSelectedRowsUp() {
  for (int row = 0; row < SourceRowCount(); ++row) {
    if (!Gui().RowSelected(kList, row)) continue;
    if (row == 0) break;
    if (!SameFolder(row - 1, row)) {
      ShowSameFolderNotice();
      break;
    }
    // The unselected row above drops below: the selected one keeps its selection.
    const std::u16string above = SourceRowPath(row - 1);
    Gui().RemoveRow(kList, row - 1);
    InsertSourceRow(row, above);
  }
  RefreshFolderColumn();
}

void MoveSelectedRowsDown() {
  for (int row = SourceRowCount() - 1; row >= 0; --row) {
    if (!Gui().RowSelected(kList, row)) continue;
    if (row == SourceRowCount() - 1) break;
    if (!SameFolder(row, row + 1)) {
      ShowSameFolderNotice();
      break;
    }
    const std::u16string below = SourceRowPath(row + 1);
    Gui().RemoveRow(kList, row + 1);
    InsertSourceRow(row, below);
  }
  RefreshFolderColumn();
}

void ClearRows() { Gui().ClearRows(kList); }

}  // namespace zen
