#include "base/ProgramFolder.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

std::string ProgramFolder()
{
    std::filesystem::path folder;
    if (const char* home = std::getenv("NESTRIX_HOME"); home != nullptr && *home != '\0') {
        folder = home;
    } else {
        const char* userHome = std::getenv("HOME");
        if (userHome == nullptr || *userHome == '\0') {
            const passwd* entry = getpwuid(getuid());
            userHome = entry != nullptr ? entry->pw_dir : nullptr;
        }
        if (userHome == nullptr) {
            return {};
        }
        folder = std::filesystem::path(userHome) / ".config" / "nestrix";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!std::filesystem::is_directory(folder, error)) {
        return {};
    }
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') {
        text += '/';
    }
    return text;
}

bool StockUndoExists(const std::string& folder)
{
    struct stat info {};
    return ::stat((folder + kStockUndoFileName).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}
