#pragma once
// Finding the program to start, and splitting a parameter string into its words.
#include <string>
#include <string_view>
#include <vector>

namespace zen {

// The program name given to the operating system: "Open" (in any letter case) is the
// desktop's opener, xdg-open; every other name is its UTF-8 form unchanged.
std::string SystemProgramName(std::u16string_view name);

// A regular file (not a directory) with a size above 0 that the current user may execute.
bool IsUsableProgramFile(const std::string& path);

// The path of the program `name` would start, or empty when it cannot be found. A name
// with a "/" is tried unchanged; one beginning with "/" or "./" is only tried unchanged;
// any other is looked up below each non-empty component of `searchPath` (null: fail).
std::string LocateProgram(std::string_view name, const char* searchPath);

// The words of a parameter string: separated by spaces, tabs and line feeds; a word that
// begins with a double quote runs to the next double quote or line feed (neither belongs
// to it) or to the end; a quote inside a word is an ordinary character.
std::vector<std::string> SplitParameters(std::string_view parameters);

}  // namespace zen
