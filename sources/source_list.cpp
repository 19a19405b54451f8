#include "sources/source_list.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "imaging/image_table.h"
#include "platform/gui/main_controls.h"
#include "platform/gui/window_system.h"
#include "sources/path_helpers.h"

namespace zen {
namespace {

using gui::Gui;
constexpr gui::ControlId kList = gui::CtlSourceList;

constexpr std::u16string_view kDialogTitle = u"이미지 파일을 선택하세요.";
constexpr std::u16string_view kDialogFilter =
    u"지원되는 이미지 파일 ( jpg, png, psd, psb ) | *.jpg;*.png;*.psd;*.psb; | JPG | *.jpg; | PNG | *.png; | "
    u"PSD | *.psd; | PSB | *.psb;";
constexpr std::u16string_view kNoticeTitle = u"알림";
constexpr std::u16string_view kSameFolderOnly = u"같은 폴더에 위치한 파일끼리 순서 변경이 가능합니다.";

bool SameFolder(int row_a, int row_b) {
  return FolderPart(SourceRowPath(row_a)) == FolderPart(SourceRowPath(row_b));
}

// A row for path at index (-1 appends), with an empty folder label; returns its index.
int InsertSourceRow(int index, std::u16string_view path) {
  Gui().InsertRow(kList, index, u"", FilePart(path), path);
  return index < 0 ? Gui().RowCount(kList) - 1 : index;
}

// Inserts the accepted paths at position, in the given order, each one selected.
void InsertAcceptedPaths(const std::vector<std::u16string>& paths, int position) {
  for (const std::u16string& path : paths) {
    if (!IsAcceptedImage(path)) continue;
    Gui().SelectRow(kList, InsertSourceRow(position, path));
    if (position != -1) ++position;
  }
}

// Code-unit order with each unit taken as a signed 16-bit number and the end of a text
// counting as 0: Hangul (0xAC00...) sorts before ASCII and before the end of a shorter text.
bool SignedUnitsLess(const std::u16string& a, const std::u16string& b) {
  const size_t length = std::max(a.size(), b.size());
  for (size_t i = 0; i < length; ++i) {
    const int ca = i < a.size() ? static_cast<int16_t>(a[i]) : 0;
    const int cb = i < b.size() ? static_cast<int16_t>(b[i]) : 0;
    if (ca != cb) return ca < cb;
  }
  return false;
}

// The names between line feeds. Empty names (a trailing or doubled line feed) name no
// file; dropping them keeps them from deciding where the real files go.
std::vector<std::u16string> SplitDroppedNames(std::u16string_view dropped) {
  std::vector<std::u16string> names;
  size_t start = 0;
  while (start <= dropped.size()) {
    size_t end = dropped.find(u'\n', start);
    if (end == std::u16string_view::npos) end = dropped.size();
    if (end > start) names.emplace_back(dropped.substr(start, end - start));
    start = end + 1;
  }
  return names;
}

void ShowSameFolderNotice() { Gui().MessageBox(kNoticeTitle, kSameFolderOnly, gui::MessageIcon::Plain); }

}  // namespace

void SetUpSourceListColumns() {
  Gui().SetColumns(kList, {{u"폴더", 100}, {u"파일", 330}, {u"전체경로", 0}});
}

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
  const std::vector<std::u16string> paths = Gui().OpenFilesDialog(kDialogTitle, kDialogFilter, true);
  const std::u16string_view first = paths.empty() ? std::u16string_view() : std::u16string_view(paths.front());
  const int position = FindFolderInsertPosition(FolderPart(first));
  Gui().ClearSelection(kList);
  InsertAcceptedPaths(paths, position);
  RefreshFolderColumn();
}

void AddDroppedFiles(std::u16string_view dropped) {
  std::vector<std::u16string> names = SplitDroppedNames(dropped);
  if (names.empty()) return;
  std::stable_sort(names.begin(), names.end(), SignedUnitsLess);
  InsertAcceptedPaths(names, FindFolderInsertPosition(FolderPart(names.front())));
  RefreshFolderColumn();
}

std::u16string DropTextOf(const std::vector<std::u16string>& paths) {
  std::u16string text;
  for (size_t i = 0; i < paths.size(); ++i) {
    if (i) text += u'\n';
    text += paths[i];
  }
  return text;
}

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
