#pragma once
// The keys of config.ini with their defaults: the one table both loading and saving use.
// The defaults equal what the main window shows when it is built.
#include <cstdint>
#include <string_view>

namespace zen::settings_keys {

struct IntKey {
  std::u16string_view name;
  int64_t fallback;
};
struct TextKey {
  std::u16string_view name;
  std::u16string_view fallback;
};

inline constexpr IntKey SliceType{u"SliceType", 1};  // 1: fixed height; else cut detection
inline constexpr IntKey SliceHeight{u"SliceHeight", 1500};
inline constexpr IntKey ConnectSlice{u"ConnectSlice", 1};
inline constexpr IntKey AutoSliceMin{u"AutoSliceMin", 300};
inline constexpr IntKey AutoSliceMax{u"AutoSliceMax", 1500};
inline constexpr IntKey Resize{u"Resize", 0};
inline constexpr IntKey ResizeWidth{u"ResizeWidth", 690};
inline constexpr TextKey CustomDir{u"CustomDir", u"slice"};
inline constexpr TextKey CustomFileName{u"CustomFileName", u"slice_"};
inline constexpr TextKey DigitNumber{u"DigitNumber", u"1"};  // the one number kept as text
inline constexpr IntKey SaveExtension{u"SaveExtension", 0};  // 0 "jpg", 1 "png"
inline constexpr IntKey JPGQuality{u"JPGQuality", 9};
inline constexpr IntKey FolderOpen{u"FolderOpen", 1};

inline constexpr std::u16string_view FileName = u"config.ini";

}  // namespace zen::settings_keys
