#include "records/settings_location.h"

namespace tarvo::records {

std::string joinPath(std::string_view dir, std::string_view name) {
  if (dir.empty()) return std::string(name);
  std::string path(dir);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  if (path.back() != '/') path += '/';
  path += name;
  return path;
}

SettingsLocation chooseSettingsLocation(const SettingsSituation& s) {
  if (!s.given.empty()) return {s.given, SettingsPlace::Given};
  const std::string beside = joinPath(s.programDir, kSettingsFileName);
  // A file already beside the program keeps working wherever the program is.
  if (s.fileBesideProgram) return {beside, SettingsPlace::BesideProgram};
  if (s.programDirWritable && !s.installed) return {beside, SettingsPlace::BesideProgram};
  // No configuration folder known: beside the program is all there is, and a save that
  // fails there says so.
  if (s.configDir.empty()) return {beside, SettingsPlace::BesideProgram};
  return {joinPath(s.configDir, kSettingsFileName), SettingsPlace::UserConfig};
}

}  // namespace tarvo::records
