#pragma once
// The source list: the files a job will cut, in the rows of the main window's list control
// (CtlSourceList). There is no other store; every operation reads and edits the rows
// through zen::gui::Gui(). Files of one folder form one run of rows; the first row of a run
// shows " " + the folder's name and the folder icon (image slot SlotFolderIcon).
#include <string>
#include <string_view>
#include <vector>

namespace zen {

// Columns of a source row.
enum SourceColumn : int {
  SourceColumnFolder = 0,  // " " + folder name on a run's first row, else empty
  SourceColumnFile = 1,    // the file name with its extension
  SourceColumnPath = 2,    // the full path as received (hidden)
};

// Gives the list control its three columns; the window builder calls it once.
void SetUpSourceListColumns();

// Reading the list (the job walks it top to bottom).
int SourceRowCount();
std::u16string SourceRowPath(int row);

// One past the lowest row whose full path lies directly in folder (a FolderPart text),
// or -1 (append) when no row does.
int FindFolderInsertPosition(std::u16string_view folder);

// Relabels every row: a run's first row gets " " + its parent folder's name and the icon,
// the others an empty label and no icon.
void RefreshFolderColumn();

// The first toolbar button: choose files in the open dialog and insert the accepted ones
// below their folder's run (or at the end); only the new rows end up selected.
void AddFilesFromDialog();

// Files dropped on the list: full paths separated by line feeds (or by U+0000 when a name
// holds a line feed; JoinedNames). They are inserted in code-unit order below their
// folder's run; the existing selection is kept.
void AddDroppedFiles(std::u16string_view dropped);

// Replaces the rows with these files in this order (a plan's own), leaving out what is no
// image file.
void SetSourceRows(const std::vector<std::u16string>& paths);

// The text a drop of these full paths carries (JoinedNames).
std::u16string DropTextOf(const std::vector<std::u16string>& paths);

// The remaining toolbar buttons.
void RemoveSelectedRows();
void MoveSelectedRowsUp();
void MoveSelectedRowsDown();
void ClearRows();

}  // namespace zen
