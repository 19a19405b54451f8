#pragma once
// ZenHelper's exit statuses, which the window program may read to say why a source was
// not converted.
namespace zen {

inline constexpr int ConverterDone = 0;
inline constexpr int ConverterFailed = 1;
inline constexpr int ConverterWrongCommandLine = 2;
// A PSD/PSB saved without its merged image whose layers hold what the converter cannot draw
// exactly (adjustment layers, layer effects, ...): the file must be saved again with
// Photoshop's 'Maximize Compatibility'.
inline constexpr int ConverterNeedsComposite = 3;

}  // namespace zen
