#pragma once
// Where the settings file lives: the one rule the client and tarvoctl share.
#include <string>
#include <string_view>

namespace tarvo::records {

inline constexpr std::string_view kSettingsFileName = "TarvoIp.txt";

// What the program knows about its surroundings when it starts. Paths use '/' as the
// separator, as Qt gives them on every platform.
struct SettingsSituation {
  std::string given;               // the --settings value; empty when not given
  std::string programDir;          // the folder of the running program
  bool fileBesideProgram = false;  // programDir holds a settings file already
  bool programDirWritable = false;
  // The program runs from the folder it was installed to (next to its desktop entry): it
  // must not leave files there even when it could, e.g. when run by an administrator.
  bool installed = false;
  std::string configDir;  // the user's configuration folder for this program
};

enum class SettingsPlace { Given, BesideProgram, UserConfig };

struct SettingsLocation {
  std::string path;
  SettingsPlace place = SettingsPlace::BesideProgram;
};

// The settings file to read and write: the one named on the command line; else the one
// beside the program when it is there or could be created there; else the one in the
// user's configuration folder (created by the first save).
SettingsLocation chooseSettingsLocation(const SettingsSituation& situation);

// `dir` and `name` joined by exactly one '/'; `name` alone when `dir` is empty.
std::string joinPath(std::string_view dir, std::string_view name);

}  // namespace tarvo::records
