#include "batch/batch_options.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <map>

#include "app/field_rules.h"
#include "app/main_fields.h"
#include "app/settings/settings.h"
#include "platform/gui/main_controls.h"
#include "platform/text.h"

namespace zen::batch {
namespace {

using gui::ControlId;

// The field whose number option this is, or null.
const MainField* NumberOption(const std::string& name) {
  for (const MainField& field : MainFields()) {
    if (!field.option.empty() && field.option == name) return &field;
  }
  return nullptr;
}

std::optional<int> ParseNumber(const std::string& text, FieldRange range) {
  int value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end || text.empty()) return std::nullopt;
  if (value < range.low || value > range.high) return std::nullopt;
  return value;
}

std::string RangeText(FieldRange range) {
  return "a whole number from " + std::to_string(range.low) + " to " + std::to_string(range.high);
}

// The help text's facts about a field, from the field table.
std::string Key(ControlId id) { return ToUtf8(FindField(id)->key); }

std::string Default(ControlId id) {
  const MainField& field = *FindField(id);
  return ToUtf8(field.kind == gui::ControlKind::ComboFixed ? field.items[static_cast<size_t>(field.state)]
                                                           : field.text);
}

// "(key, default)" and the line's end.
std::string Note(ControlId id) { return "(" + Key(id) + ", " + Default(id) + ")\n"; }

std::string PaddedTo(std::string text, size_t width) {
  text.resize(std::max(width, text.size() + 1), ' ');
  return text;
}

// "  --height N          piece height, 1-32000                (SliceHeight, 1500)"
std::string NumberLine(ControlId id) {
  const MainField& field = *FindField(id);
  const std::string words = PaddedTo("  " + std::string(field.option) + " N", 22) + std::string(field.help) + ", " +
                            std::to_string(field.range.low) + "-" + std::to_string(field.range.high);
  return PaddedTo(words, 59) + Note(id);
}

class Parser {
 public:
  explicit Parser(const std::vector<std::string>& args) : args_(args) {}

  ParseResult Run() {
    bool options_ended = false;
    for (index_ = 0; index_ < args_.size() && result_.error.empty(); ++index_) {
      const std::string& arg = args_[index_];
      if (options_ended || arg.size() < 2 || arg[0] != '-') {
        result_.options.paths.push_back(arg);
      } else if (arg == "--") {
        options_ended = true;
      } else {
        Option(arg);
      }
    }
    if (result_.error.empty() && result_.options.paths.empty() && result_.options.cuts_file.empty() &&
        !result_.options.help && !result_.options.version) {
      result_.error = "no image file or folder given";
    }
    return result_;
  }

 private:
  // "--name value" or "--name=value".
  bool TakeValue(const std::string& name, const std::string& inline_value, bool has_inline, std::string& value) {
    if (has_inline) {
      value = inline_value;
      return true;
    }
    if (index_ + 1 >= args_.size()) {
      result_.error = "option " + name + " needs a value";
      return false;
    }
    value = args_[++index_];
    return true;
  }

  void Number(const std::string& name, const std::string& value, const MainField& field) {
    const std::optional<int> number = ParseNumber(value, field.range);
    if (number) {
      result_.options.numbers[field.id] = *number;
    } else {
      result_.error = "option " + name + ": '" + value + "' is not " + RangeText(field.range);
    }
  }

  void Option(const std::string& arg) {
    const size_t equals = arg.find('=');
    const std::string name = arg.substr(0, equals);
    const bool has_inline = equals != std::string::npos;
    const std::string inline_value = has_inline ? arg.substr(equals + 1) : std::string();
    BatchOptions& o = result_.options;

    static const std::map<std::string, std::function<void(BatchOptions&)>> flags = {
        {"--no-config", [](BatchOptions& b) { b.config = ConfigSource::None; }},
        {"--no-resize", [](BatchOptions& b) { b.no_resize = true; }},
        {"--open", [](BatchOptions& b) { b.open_folder = true; }},
        {"--dry-run", [](BatchOptions& b) { b.dry_run = true; }},
        {"--remove-stale", [](BatchOptions& b) { b.remove_stale = true; }},
        {"--json", [](BatchOptions& b) { b.json = true; }},
        {"--quiet", [](BatchOptions& b) { b.quiet = true; }},
        {"--help", [](BatchOptions& b) { b.help = true; }},
        {"--version", [](BatchOptions& b) { b.version = true; }},
    };
    if (auto flag = flags.find(name); flag != flags.end()) {
      if (has_inline) {
        result_.error = "option " + name + " takes no value";
        return;
      }
      flag->second(o);
      return;
    }
    static const std::map<std::string, int> texts = {{"--mode", 0},    {"--folder", 0},      {"--prefix", 0},
                                                     {"--format", 0},  {"--config", 0},      {"--cuts", 0},
                                                     {"--preview", 0}, {"--pixel-budget", 0}};
    const MainField* number = NumberOption(name);
    if (!number && !texts.count(name)) {
      result_.error = "unknown option " + name;
      return;
    }
    std::string value;
    if (!TakeValue(name, inline_value, has_inline, value)) return;
    if (number) {
      Number(name, value, *number);
    } else {
      TextOption(name, value);
    }
  }

  void TextOption(const std::string& name, const std::string& value) {
    BatchOptions& o = result_.options;
    if (name == "--mode") {
      if (value == "fixed")
        o.mode = ModeChoice::Fixed;
      else if (value == "joined")
        o.mode = ModeChoice::Joined;
      else if (value == "cut")
        o.mode = ModeChoice::Cut;
      else if (value == "smart")
        o.mode = ModeChoice::Smart;
      else
        result_.error = "option --mode: '" + value + "' is not fixed, joined, cut or smart";
    } else if (name == "--format") {
      if (value == "jpg")
        o.format = FormatChoice::Jpg;
      else if (value == "png")
        o.format = FormatChoice::Png;
      else
        result_.error = "option --format: '" + value + "' is not jpg or png";
    } else if (name == "--folder") {
      o.folder = FromUtf8(value);
      if (!IsValidName(*o.folder)) result_.error = "option --folder: '" + value + "' is not a usable folder name";
    } else if (name == "--prefix") {
      o.prefix = FromUtf8(value);
      if (!o.prefix->empty() && !IsValidName(*o.prefix)) {
        result_.error = "option --prefix: '" + value + "' is not a usable file name";
      }
    } else if (name == "--config") {
      o.config = ConfigSource::File;
      o.config_file = value;
    } else if (name == "--pixel-budget") {
      const std::optional<int> budget = ParseNumber(value, kPixelBudgetRange);
      if (budget)
        o.pixel_budget = *budget;
      else
        result_.error = "option --pixel-budget: '" + value + "' is not " + RangeText(kPixelBudgetRange);
    } else if (name == "--cuts") {
      o.cuts_file = value;
    } else if (name == "--preview") {
      o.preview_file = value;
    }
  }

  const std::vector<std::string>& args_;
  size_t index_ = 0;
  ParseResult result_;
};

}  // namespace

ParseResult ParseBatchOptions(const std::vector<std::string>& args) { return Parser(args).Run(); }

std::string BatchHelpText() {
  return "Usage: zentrova-slice [OPTIONS] PATH...\n"
         "       zentrova-slice [OPTIONS] --cuts PLAN.json [PATH...]\n"
         "Cuts tall images into numbered pieces, as the Zentrova V2 window does.\n"
         "PATH: image files (jpg, jpeg, png, psd, psb), or folders whose files are taken.\n"
         "Pieces go into a folder inside each source's own folder.\n"
         "\n"
         "Settings start from config.ini in the settings folder ($XDG_CONFIG_HOME/Zentrova/);\n"
         "options override them.        (config key, built-in default)\n"
         "  --config FILE       read settings from FILE instead\n"
         "  --no-config         start from the built-in defaults\n"
         "  --mode fixed|joined|cut|smart\n"
         "                      fixed height; fixed height joining the files of one folder;\n"
         "                      cut at the first gutter past the minimum; cut by the smart\n"
         "                      planner, which chooses the gutters of a folder's joined\n"
         "                      files together        (" +
         Key(gui::CtlFixedOption) + ", " + Key(gui::CtlJoinCheck) + ", " + ToUtf8(SmartSliceKey) + "; joined)\n" +
         NumberLine(gui::CtlHeightField) + NumberLine(gui::CtlMinimumField) + NumberLine(gui::CtlMaximumField) +
         "  --width N           resize every source to N pixels wide (" + Key(gui::CtlResizeCheck) + ", " +
         Key(gui::CtlWidthField) + "; off, " + Default(gui::CtlWidthField) + ")\n" +
         "  --no-resize         keep the sources' size\n"
         "  --folder NAME       output folder name, or \"[원본 폴더명]\"    " +
         Note(gui::CtlFolderBox) +
         "  --prefix TEXT       file-name prefix, may be empty, or \"[원본 폴더명]\" or\n"
         "                      \"[원본 폴더명_]\"                    " +
         Note(gui::CtlPrefixBox) + NumberLine(gui::CtlDigitsField) +
         "  --format jpg|png    piece format                         " + Note(gui::CtlFormatBox) +
         NumberLine(gui::CtlQualityField) + "  --open              open the last output folder when done (" +
         Key(gui::CtlOpenFolderCheck) +
         "; off here)\n"
         "  --dry-run           cut and report, but write nothing\n"
         "  --remove-stale      move pieces of an earlier run left in an output folder (same\n"
         "                      prefix and extension, numbers this run did not write) to the\n"
         "                      desktop's trash; without it they are only reported\n"
         "  --json              print the report as one JSON object on standard output, with\n"
         "                      the plan: each run's files and the cut ending each piece\n"
         "  --cuts PLAN.json    write the pieces at the cuts of a plan in that form (edited as\n"
         "                      you like); its files are the sources unless PATHs are given,\n"
         "                      which must name the same files in the same order\n"
         "  --preview FILE.png  instead of the pieces, draw each run's plan: the run at most\n"
         "                      400 pixels wide, in columns when tall, with its cuts, piece\n"
         "                      numbers and heights (FILE-2.png... for more runs)\n"
         "  --quiet             no progress bar\n"
         "  --pixel-budget N    skip (with its reason) a source of more than N million pixels,\n"
         "                      1-4295 (" +
         std::to_string(kDefaultPixelBudget) +
         "); 4 bytes of memory each\n"
         "  --help, --version\n"
         "\n"
         "Exit status: 0 all pieces written; 1 a source was skipped or a piece not written;\n"
         "2 usage error or a plan that does not fit its sources; 3 stopped at a source of\n"
         "32768 pixels or more.\n";
}

}  // namespace zen::batch
