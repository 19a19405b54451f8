#include "app/settings/settings_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "app/app_state.h"
#include "platform/text.h"

namespace zen {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && home[0] == '/') return home;
  const passwd* entry = getpwuid(getuid());
  if (entry && entry->pw_dir && entry->pw_dir[0] == '/') return entry->pw_dir;
  return {};
}

std::string ConfigBase() {
  // Relative values are ignored, as the base-directory convention asks.
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return xdg;
  std::string home = HomeFolder();
  if (home.empty()) return {};
  if (home.back() != '/') home += '/';
  return home + ".config";
}

}  // namespace

std::u16string SettingsFolderPath() {
  std::string base = ConfigBase();
  if (base.empty()) return {};
  if (base.back() != '/') base += '/';
  return FromUtf8(base) + u"Zentrova/";
}

void MakeSettingsFolder(const std::u16string& folder) {
  if (folder.empty()) return;
  const std::string path = ToUtf8(folder);
  // Every missing folder on the way, so a first run on a fresh account can save.
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1)) {
    mkdir(path.substr(0, slash).c_str(), 0700);
  }
  mkdir(path.c_str(), 0700);
}

const std::u16string& SettingsFolder() { return App().settings_folder; }

}  // namespace zen
