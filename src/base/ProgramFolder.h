#pragma once

#include <string>

// The folder of Nestrix.ini, "Genban" and "YBuzai", with a trailing slash:
// $NESTRIX_HOME when set, else ~/.config/nestrix/. Created when missing.
// Empty when it cannot be created (the caller reports it).
std::string ProgramFolder();

inline constexpr const char* kSettingsFileName = "Nestrix.ini";
inline constexpr const char* kBoardsJobFileName = "Genban";
inline constexpr const char* kSecondaryJobFileName = "YBuzai";
inline constexpr const char* kEdgeJobFileName = "Edge";  // the band table (エッジ材)
