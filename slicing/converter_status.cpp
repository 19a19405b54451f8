#include "slicing/converter_status.h"

namespace zen {

std::u16string_view ConverterFailureText(int exit_status) {
  if (exit_status == ConverterNeedsComposite) {
    return u"합쳐진 이미지 없이 저장된 포토샵 파일이라 레이어를 그대로 합칠 수 없습니다. "
           u"포토샵에서 '호환성 최대화'를 켜고 다시 저장해 주세요.";
  }
  return u"";
}

}  // namespace zen
