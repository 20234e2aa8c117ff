#pragma once
// The settings file of this run, found by chooseSettingsLocation() from what the system
// says about the running program: the client and tarvoctl find the same file.
#include <QString>

namespace tarvo::records {

// `given` (--settings) when not empty, else beside the program or in the user's
// configuration folder of the application named "Tarvolink".
QString settingsFilePath(const QString& given);

}  // namespace tarvo::records
