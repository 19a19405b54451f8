#pragma once
// A libjpeg error manager that jumps back to the caller's setjmp and prints nothing.
// Include after <cstdio> and <jpeglib.h>.
#include <csetjmp>

namespace zen {

struct JpegErrorHandler {
  jpeg_error_mgr manager{};  // first, so the library's pointer converts back
  std::jmp_buf jump{};

  jpeg_error_mgr* Install() {
    jpeg_std_error(&manager);
    manager.error_exit = &JumpBack;
    manager.output_message = &Silent;
    return &manager;
  }

  [[noreturn]] static void JumpBack(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<JpegErrorHandler*>(cinfo->err)->jump, 1);
  }
  static void Silent(j_common_ptr /*cinfo*/) {}
};

}  // namespace zen
