#pragma once
// How ZenHelper tells the window program that a command failed, and why: its exit status,
// which the window program may read to say why a source was not converted, and its log
// (standard output, with "-logfile -"), which then ends with the line kConverterLogStart +
// kConverterFailedWord + the reason in the converter's own words.
#include <string_view>

namespace zen {

inline constexpr int ConverterDone = 0;
inline constexpr int ConverterFailed = 1;
inline constexpr int ConverterWrongCommandLine = 2;
// A PSD/PSB saved without its merged image whose layers hold what the converter cannot draw
// exactly (adjustment layers, layer effects, ...): the file must be saved again with
// Photoshop's 'Maximize Compatibility'.
inline constexpr int ConverterNeedsComposite = 3;

inline constexpr std::string_view kConverterLogStart = "ZenHelper: ";
inline constexpr std::string_view kConverterFailedWord = "failed: ";

}  // namespace zen
