#pragma once
// The files the converter leaves in the settings folder for the window program to load:
// BaseName + ".bmp" for a whole conversion, BaseName + "P" + index + ".bmp" for strip
// index 0 (top) to StripCount - 1. Templates over the character type: the converter
// names files in UTF-8 bytes, the window program in UTF-16; every character looked for
// is ASCII, so both split a name alike.
#include <cstdint>
#include <string>
#include <string_view>

namespace zen {

inline constexpr int StripCount = 20;
inline constexpr uint32_t kMaxStripRows = 32767;  // the tallest image the loading side accepts

// A file name (no folder) without its extension: scanning back from the end, a blank
// keeps the whole name; the first "." ends the base name before it, unless that "." is
// the last character. The first character is not examined, so ".name" stays whole.
template <typename Char>
std::basic_string_view<Char> BaseNameOf(std::basic_string_view<Char> file_name) {
  for (size_t i = file_name.size(); i-- > 1;) {
    if (file_name[i] == Char(' ')) return file_name;
    if (file_name[i] == Char('.')) return i + 1 == file_name.size() ? file_name : file_name.substr(0, i);
  }
  return file_name;
}

template <typename Char>
std::basic_string<Char> ConvertedWholeName(std::basic_string_view<Char> base_name) {
  std::basic_string<Char> name(base_name);
  for (char c : std::string_view(".bmp")) name += Char(c);
  return name;
}

template <typename Char>
std::basic_string<Char> ConvertedStripName(std::basic_string_view<Char> base_name, int index) {
  std::basic_string<Char> stem(base_name);
  for (char c : "P" + std::to_string(index)) stem += Char(c);
  return ConvertedWholeName<Char>(stem);
}

// The converter writes each file under its name + this, renamed when complete.
inline constexpr std::string_view kUnfinishedSuffix = ".part";

// Whether a file name in the work folder is one the converter makes: a ".bmp" file, or one
// it has not finished. Only these are ever removed from that folder.
inline bool IsConverterFileName(std::string_view name) {
  if (name.ends_with(kUnfinishedSuffix)) name.remove_suffix(kUnfinishedSuffix.size());
  return name.size() > 4 && name.ends_with(".bmp");
}

}  // namespace zen
