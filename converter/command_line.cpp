#include "converter/command_line.h"

#include <cerrno>
#include <cstring>

#include "converter/composite_refusal.h"
#include "converter/conversion.h"
#include "converter/converter_paths.h"
#include "interchange/converter_status.h"

namespace zen {
namespace {

bool TakeValue(const std::vector<std::string>& words, size_t& i, std::string& value, std::string& error) {
  if (i + 1 >= words.size()) {
    error = words[i] + " needs a value";
    return false;
  }
  value = words[++i];
  return true;
}

bool SetCommand(ConverterCommand command, const std::string& word, ConverterArguments& arguments, std::string& error) {
  if (arguments.command != ConverterCommand::None) {
    error = "more than one of -info, -convert and -convertSlice given (" + word + ")";
    return false;
  }
  arguments.command = command;
  return true;
}

const char* kUsage =
    "usage: ZenHelper [-logfile -|FILE] -info PATH[0]\n"
    "       ZenHelper [-logfile -|FILE] -convert PATH -configPath FOLDER\n"
    "       ZenHelper [-logfile -|FILE] -convertSlice PATH -configPath FOLDER\n";

}  // namespace

bool ParseConverterArguments(const std::vector<std::string>& words, ConverterArguments& arguments, std::string& error) {
  for (size_t i = 0; i < words.size(); ++i) {
    const std::string& word = words[i];
    ConverterCommand command = word == "-info"           ? ConverterCommand::Info
                               : word == "-convert"      ? ConverterCommand::Convert
                               : word == "-convertSlice" ? ConverterCommand::ConvertSlice
                                                         : ConverterCommand::None;
    if (command != ConverterCommand::None) {
      if (!SetCommand(command, word, arguments, error) || !TakeValue(words, i, arguments.source, error)) {
        return false;
      }
    } else if (word == "-configPath") {
      if (!TakeValue(words, i, arguments.folder, error)) return false;
      arguments.has_folder = true;
    } else if (word == "-logfile") {
      if (!TakeValue(words, i, arguments.log, error)) return false;
    } else {
      error = "unknown argument: " + word;
      return false;
    }
  }
  if (arguments.command == ConverterCommand::None) {
    error = "no command given";
    return false;
  }
  if (arguments.source.empty()) {
    error = "empty source path";
    return false;
  }
  if (arguments.command != ConverterCommand::Info && (!arguments.has_folder || arguments.folder.empty())) {
    error = "-configPath FOLDER is needed for the conversions";
    return false;
  }
  arguments.source = StripFirstImageSuffix(arguments.source);
  return true;
}

int RunConverter(const std::vector<std::string>& words, std::FILE* out, std::FILE* err) {
  ConverterArguments arguments;
  std::string error;
  if (!ParseConverterArguments(words, arguments, error)) {
    std::fprintf(err, "ZenHelper: %s\n%s", error.c_str(), kUsage);
    return ConverterWrongCommandLine;
  }
  ConverterLog log;
  std::FILE* log_file = nullptr;
  if (arguments.log == "-") {
    log.out = out;
  } else if (!arguments.log.empty()) {
    log_file = std::fopen(arguments.log.c_str(), "a");
    if (!log_file)
      std::fprintf(err, "ZenHelper: cannot open log %s: %s\n", arguments.log.c_str(), std::strerror(errno));
    log.out = log_file;
  }
  bool ok = false;
  switch (arguments.command) {
    case ConverterCommand::Info: ok = PrintImageSize(arguments.source, out, error); break;
    case ConverterCommand::Convert: ok = ConvertWhole(arguments.source, arguments.folder, log, error); break;
    default: ok = ConvertSlices(arguments.source, arguments.folder, log, error);
  }
  if (ok) {
    log.Line("done");
  } else {
    // A log on standard output carries the reason itself; saying it on standard error too
    // repeated it beside the caller's own report of the failure.
    if (log.out != out) std::fprintf(err, "ZenHelper: %s\n", error.c_str());
    log.Line(std::string(kConverterFailedWord) + error);
  }
  if (log_file) std::fclose(log_file);
  if (ok) return ConverterDone;
  return IsCompositeRefusal(error) ? ConverterNeedsComposite : ConverterFailed;
}

}  // namespace zen
