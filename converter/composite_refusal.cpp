#include "converter/composite_refusal.h"

namespace zen {
namespace {

constexpr const char* kRemedy =
    "; turn on 'Maximize Compatibility' in Photoshop (Preferences > File Handling) and save the file again";

}  // namespace

std::string CompositeRefusal(const std::string& reason) {
  return "PSD: the file was saved without its merged image, and " + reason + " cannot be drawn exactly here" + kRemedy;
}

bool IsCompositeRefusal(const std::string& error) { return error.find(kRemedy) != std::string::npos; }

}  // namespace zen
