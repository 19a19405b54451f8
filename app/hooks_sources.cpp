// The source list's side of the loop: the toolbar and drops.
#include "app/loop_hooks.h"
#include "sources/source_list.h"

namespace zen {

void WireSourceListHooks(LoopHooks& hooks) {
  hooks.add_files_from_dialog = AddFilesFromDialog;
  hooks.remove_selected_rows = RemoveSelectedRows;
  hooks.move_selected_rows_up = MoveSelectedRowsUp;
  hooks.move_selected_rows_down = MoveSelectedRowsDown;
  hooks.clear_rows = ClearRows;
  hooks.add_dropped_files = AddDroppedFiles;
}

}  // namespace zen
