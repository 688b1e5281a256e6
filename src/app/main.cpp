#include <cstdio>
#include <string>

#include "app/IniFile.h"
#include "app/ProgramFolder.h"
#include "app/Settings.h"

int main(int argc, char** argv)
{
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "nestrix: the settings folder cannot be created\n");
        return 1;
    }
    if (argc > 1 && std::string(argv[1]) == "--version") {
        std::printf("Nestrix Version %s\n", NESTRIX_VERSION);
        return 0;
    }
    IniFile ini;
    Settings settings;
    if (!ini.Load(folder + kSettingsFileName)) {
        std::fprintf(stderr, "nestrix: %s%s cannot be read\n", folder.c_str(), kSettingsFileName);
        return 1;
    }
    settings.Load(ini);
    std::printf("Nestrix Version %s\n", NESTRIX_VERSION);
    std::printf("settings folder: %s\n", folder.c_str());
    std::printf("simultaneous calculations: %d\n", settings.MaxCalNum);
    return 0;
}
