#pragma once
// The converter's command lines, as the program's runner splits them into words:
//   -logfile - -info PATH[0]
//   -logfile - -convert PATH -configPath FOLDER
//   -logfile - -convertSlice PATH[0] (or PATH) -configPath FOLDER
#include <cstdio>
#include <string>
#include <vector>

namespace zen {

enum class ConverterCommand { None, Info, Convert, ConvertSlice };

struct ConverterArguments {
  ConverterCommand command = ConverterCommand::None;
  std::string source;  // "[0]" already taken off where no file has the literal name
  std::string folder;
  bool has_folder = false;
  std::string log;  // "-" for standard output; empty for no log
};

bool ParseConverterArguments(const std::vector<std::string>& words, ConverterArguments& arguments, std::string& error);

// Runs one command line (words after the program name); returns the exit status: 0 done,
// 1 failed, 2 the command line is wrong, 3 a document that must be saved with its merged
// image (interchange/converter_status.h). Errors go to err.
int RunConverter(const std::vector<std::string>& words, std::FILE* out, std::FILE* err);

}  // namespace zen
