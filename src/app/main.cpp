#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "base/IniFile.h"
#include "app/LayoutCommand.h"
#include "app/LayoutOptions.h"
#include "app/NestrixApp.h"
#include "base/ProgramFolder.h"
#include "base/Settings.h"
#include "view/BoardPictures.h"
#include "view/PrintOutput.h"

namespace {

// Prints the version and where the settings live; needs no display.
int PrintInfo()
{
    std::printf("Nestrix Version %s\n", NESTRIX_VERSION);
    const std::string folder = ProgramFolder();
    if (folder.empty()) {
        std::fprintf(stderr, "nestrix: the settings folder cannot be created\n");
        return 1;
    }
    IniFile ini;
    Settings settings;
    if (!ini.Load(folder + kSettingsFileName)) {
        std::fprintf(stderr, "nestrix: %s%s cannot be read\n", folder.c_str(), kSettingsFileName);
        return 1;
    }
    settings.Load(ini);
    std::printf("settings folder: %s\n", folder.c_str());
    std::printf("simultaneous calculations: %d\n", settings.MaxCalNum);
    return 0;
}

}  // namespace

namespace {

QtMessageHandler g_qtMessages = nullptr;

// Without a desktop session there is no XDG_RUNTIME_DIR; Qt then uses a folder of its own and
// says so on every run, which is noise for a command in a script.
void HeadlessMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set")) {
        return;
    }
    if (g_qtMessages != nullptr) {
        g_qtMessages(type, context, message);
    }
}

}  // namespace

// No arguments: the desktop program. Commands that run without a display are dispatched
// here, before any window system is touched.
int main(int argc, char** argv)
{
    if (argc > 1) {
        const std::string command = argv[1];
        if (command == "--help" || command == "-h") {
            std::fputs(kDesktopUsage, stdout);
            std::fputs(kLayoutUsage, stdout);
            std::fputs(kExportUsage, stdout);
            return 0;
        }
        if (command == "--version") {
            std::printf("Nestrix Version %s\n", NESTRIX_VERSION);
            return 0;
        }
        if (command == "--info") {
            return PrintInfo();
        }
        if (command == "layout" || command == "export") {
            // PDF pages need fonts and a painter, not a display.
            std::unique_ptr<QGuiApplication> gui;
            int guiArgc = 1;
            for (int i = 2; i < argc && !gui; ++i) {
                if (std::strcmp(argv[i], "--pdf-info") == 0 || std::strcmp(argv[i], "--pdf-cuts") == 0 ||
                    std::strcmp(argv[i], "--pdf-labels") == 0 ||
                    std::strcmp(argv[i], "--png") == 0) {
                    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
                        qputenv("QT_QPA_PLATFORM", "offscreen");
                    }
                    g_qtMessages = qInstallMessageHandler(HeadlessMessages);
                    gui = std::make_unique<QGuiApplication>(guiArgc, argv);
                }
            }
            return command == "layout" ? RunLayoutCommand(argc - 1, argv + 1, PrintoutPdf, BoardPictureFiles)
                                       : RunExportCommand(argc - 1, argv + 1, PrintoutPdf, BoardPictureFiles);
        }
    }
    return RunDesktop(argc, argv);
}
