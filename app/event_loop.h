#pragma once
// The program's only loop: one event per turn, handed to the main window's handlers or to
// the About window; the slicing job advances by one step at the end of every turn.
#include "platform/gui/window_system.h"

namespace zen {

// One turn. False when the main window was closed: the program must end.
bool RunTurn();

// Turns until the main window is closed.
void RunLoop();

// What a main-window event does (the field rules, then the control's action; Escape
// cancels a running job); false for the close event.
bool HandleMainWindowEvent(const gui::Event& event);

// Hides the progress row again once more than a second has passed since the job's end.
void ShrinkAfterJobEnd();

// The end of every turn: one step while the job runs, then a requested start.
void AdvanceJob();

}  // namespace zen
