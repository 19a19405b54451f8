#pragma once
// The numbers of the windows and controls, shared by the window builders and by the parts
// that read the controls (the source list, the job, the settings).
#include "platform/gui/window_system.h"

namespace zen::gui {

enum WindowNumber : WindowId { MainWindow = 0, AboutWindow = 1, ReviewWindow = 2 };

// The main window's size in points; a running job adds the progress row below.
inline constexpr int MainWidth = 470;
inline constexpr int MainHeight = 630;
inline constexpr int MainHeightWithProgress = 660;

// Main window controls, in the order in which they are created.
enum MainControl : ControlId {
  CtlBanner = 1,
  CtlLeftStrip,
  CtlRightStrip,
  CtlSourceList,
  CtlCuttingFrame,
  CtlFolderFrame,
  CtlFileFrame,
  CtlFixedOption,
  CtlCutDetectOption,
  CtlMinimumLabel,
  CtlMinimumField,
  CtlRangeLabel,
  CtlMaximumField,
  CtlFolderBox,
  CtlFolderLabel,
  CtlOpenFolderCheck,
  CtlStartButton,
  CtlSaveButton,
  CtlAboutButton,
  CtlProgressText,
  CtlProgressBar,
  CtlPrefixBox,
  CtlNumberLabel,
  CtlFormatBox,
  CtlHeightLabel,
  CtlHeightField,
  CtlResizeCheck,
  CtlWidthField,
  CtlJoinCheck,
  CtlQualityLabel,
  CtlQualityField,
  CtlDigitsLabel,
  CtlDigitsField,
  CtlToolbarAdd,
  CtlToolbarRemove,
  CtlToolbarUp,
  CtlToolbarDown,
  CtlToolbarClear,
  CtlToolbarReview,  // left of the five, made after them
};

// About window controls.
enum AboutControl : ControlId {
  CtlAboutVersion = 100,
  CtlAboutUpdate,
  CtlAboutClose,
};

// Review window controls.
enum ReviewControl : ControlId {
  CtlReviewPlannerLabel = 200,
  CtlReviewPlanner,
  CtlReviewPrevious,
  CtlReviewRun,
  CtlReviewNext,
  CtlReviewStrip,
  CtlReviewSummary,
  CtlReviewZoomOut,
  CtlReviewZoomIn,
  CtlReviewHelp,
  CtlReviewSave,
};

// Fonts.
enum FontNumber : int { FontLarge = 0, FontNormal = 1 };

// Image slots of the main window's pictures.
enum PictureSlot : int {
  SlotBanner = 0,
  SlotLeftStrip = 1,
  SlotRightStrip = 2,
  SlotToolbarFirst = 3,  // 3..7: add, remove, up, down, clear
  SlotFolderIcon = 8,
  SlotToolbarReview = 20,  // past the job's images (9 to 14)
};

}  // namespace zen::gui
