#pragma once
// The command line of zentrova-slice: options, their checks, and the help text.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/main_fields.h"
#include "platform/gui/window_system.h"

namespace zen::batch {

enum class ModeChoice { Fixed, Joined, Cut, Smart };
enum class FormatChoice { Jpg, Png };
enum class ConfigSource { User, File, None };

// Millions of pixels a source may have (4 bytes each in memory); the largest allowed
// covers the biggest image the loaders take (65535 x 65535).
constexpr int kDefaultPixelBudget = 1000;
constexpr FieldRange kPixelBudgetRange{1, 4295};

// What the command line asks for; an empty optional leaves the setting as loaded.
struct BatchOptions {
  ConfigSource config = ConfigSource::User;
  std::string config_file;  // --config
  std::optional<ModeChoice> mode;
  std::map<gui::ControlId, int> numbers;  // digit fields given by their options (--height, ...)
  bool no_resize = false;
  std::optional<std::u16string> folder, prefix;
  std::optional<FormatChoice> format;
  bool open_folder = false;
  bool dry_run = false;
  bool remove_stale = false;  // move pieces of an earlier run to the trash
  bool json = false;
  std::string cuts_file;     // --cuts: write the pieces at this plan's cuts
  std::string preview_file;  // --preview: a picture of each run's plan instead of pieces
  bool quiet = false;
  int pixel_budget = kDefaultPixelBudget;  // --pixel-budget: millions of pixels one image may have
  bool help = false;
  bool version = false;
  std::vector<std::string> paths;
};

struct ParseResult {
  BatchOptions options;
  std::string error;  // non-empty: a usage error naming the option
};

ParseResult ParseBatchOptions(const std::vector<std::string>& args);

std::string BatchHelpText();

}  // namespace zen::batch
