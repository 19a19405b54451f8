// The review window's side of the loop.
#include "app/loop_hooks.h"
#include "app/review/review_window.h"

namespace zen {

void WireReviewHooks(LoopHooks& hooks) {
  hooks.show_review_window = ShowReviewWindow;
  hooks.handle_review_event = HandleReviewEvent;
}

}  // namespace zen
