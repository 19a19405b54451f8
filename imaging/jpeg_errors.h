#pragma once
// A libjpeg error manager that jumps back to the caller's setjmp and prints nothing.
// Include after <cstdio> and <jpeglib.h>.
#include <jerror.h>

#include <csetjmp>

namespace zen {

struct JpegErrorHandler {
  jpeg_error_mgr manager{};  // first, so the library's pointer converts back
  std::jmp_buf jump{};
  // Reading: the file's bytes ran out (the memory source then supplies an end marker), and
  // the compressed rows still wanted more after that, so rows are missing. A file that only
  // lacks its end marker is whole.
  bool input_ended = false;
  bool rows_cut = false;

  jpeg_error_mgr* Install() {
    jpeg_std_error(&manager);
    manager.error_exit = &JumpBack;
    manager.output_message = &Silent;
    manager.emit_message = &Note;
    return &manager;
  }

  [[noreturn]] static void JumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorHandler*>(cinfo->err)->jump, 1);
  }
  static void Silent(j_common_ptr /*cinfo*/) {}
  static void Note(j_common_ptr cinfo, int level) {
    auto* self = reinterpret_cast<JpegErrorHandler*>(cinfo->err);
    if (level >= 0) return;
    ++self->manager.num_warnings;
    if (self->manager.msg_code == JWRN_JPEG_EOF) self->input_ended = true;
    if (self->manager.msg_code == JWRN_HIT_MARKER && self->input_ended) self->rows_cut = true;
  }
};

}  // namespace zen
