#include "app/NestrixApp.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <cstring>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/MainFrame.h"
#include "view/NestrixView.h"
#include "platform/Prompt.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtPrompt.h"
#include "platform/qt/QtTexts.h"

static void InitNestrixResources()
{
    Q_INIT_RESOURCE(nestrix);  // the icons live in the static UI library
}

CNestrixApp::CNestrixApp(Prompt* prompt, FileChooser* chooser)
    : m_prompt(prompt != nullptr ? prompt : &m_qtPrompt),
      m_chooser(chooser != nullptr ? chooser : &m_qtChooser),
      m_guardedChooser(*m_chooser, *m_prompt,
                       [this] { return Session.Doc ? HeldFiles(*Session.Doc, Session.Folder) : std::vector<HeldFile>{}; }),
      m_lastFolderChooser(m_guardedChooser, Session.AppSettings)
{
    InitNestrixResources();
}

CNestrixApp::~CNestrixApp() = default;

bool CNestrixApp::InitInstance()
{
    if (!Session.Start(*m_prompt)) {
        m_prompt->ShowError(kFolderError);
        return false;
    }

    ListFont = QFont(QtCanvas::ResolveFamily(kGothicFace));
    ListFont.setStyleHint(QFont::TypeWriter);
    ListFont.setFixedPitch(true);
    ListFont.setPointSize(12);

    // The job files are reloaded before the window appears; their messages have no owner yet.
    Session.NewDocument(*m_prompt);
    m_frame = std::make_unique<CMainFrame>(*this);
    m_qtPrompt.SetOwner(m_frame.get());
    m_qtChooser.SetOwner(m_frame.get());
    // Without a window manager (a bare X server) the maximised state alone sizes nothing.
    if (const QScreen* screen = m_frame->screen()) {
        m_frame->setGeometry(screen->availableGeometry());
    }
    m_frame->showMaximized();
    return true;
}

void CNestrixApp::OpenPartsFile(const std::string& path)
{
    Doc().OpenPartsFile(path, AppSettings(), *m_prompt);
    if (m_frame) {
        m_frame->View()->RequestRedraw();
        m_frame->View()->UpdateStatusBar();
        m_frame->UpdateCommandUI();
    }
}

int CNestrixApp::ExitInstance()
{
    // The window and its view refer to the document: they go first.
    m_frame.reset();
    Session.End(*m_prompt);  // tells the user itself when the settings were not saved
    return 0;
}

namespace {

// Hidden option for the documentation: --screenshot FILE saves the screen once the window
// has painted, then closes the window the ordinary way.
void ScheduleScreenshot(CMainFrame& frame, const QString& file)
{
    QTimer::singleShot(1500, &frame, [&frame, file] {
        QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0);
        if (picture.isNull() || QGuiApplication::platformName() == "offscreen") {
            picture = frame.grab();
        }
        if (!picture.save(file)) {
            std::fprintf(stderr, "nestrix: %s cannot be written\n", file.toLocal8Bit().constData());
        }
        frame.close();
    });
}

}  // namespace

const char* const kDesktopUsage =
    "Usage: nestrix [JOB.nestrix | PARTS.csv]\n"
    "  or:  nestrix layout --boards B.csv --parts P.csv [OPTION]...\n"
    "  or:  nestrix export JOB.nestrix [OPTION]...\n"
    "Without a command, the desktop program (it needs a display); a job file given opens with its\n"
    "result, a parts file is read into its parts list. `nestrix layout` lays out a job without a\n"
    "window, `nestrix export` writes the outputs of a saved job.\n"
    "\n"
    "  --version             the version\n"
    "  --info                the settings folder and the number of simultaneous calculations\n"
    "  --help                this text\n"
    "\n";

namespace {

const char* const kNoDisplayHint =
    "nestrix: the desktop program needs a display; without one, run a layout job with\n"
    "         nestrix layout --boards B.csv --parts P.csv ...   (nestrix --help lists the options)\n";

// Whether the window system Qt will use has a display to talk to. Platforms that need none
// (offscreen, minimal, vnc) always do.
bool DisplayNamed()
{
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    const bool x11 = !qgetenv("DISPLAY").isEmpty();
    const bool wayland = !qgetenv("WAYLAND_DISPLAY").isEmpty();
    if (platform.startsWith("xcb")) {
        return x11;
    }
    if (platform.startsWith("wayland")) {
        return wayland;
    }
    return !platform.isEmpty() || x11 || wayland;
}

// Qt ends with abort() when its platform cannot connect; while the application starts, such a
// failure becomes our message and exit status 1 instead.
QtMessageHandler g_previousHandler = nullptr;

void StartupMessages(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "nestrix: %s\n%s", message.toLocal8Bit().constData(), kNoDisplayHint);
        std::fflush(stderr);
        std::_Exit(1);
    }
    if (g_previousHandler != nullptr) {
        g_previousHandler(type, context, message);
    }
}

// SIGTERM (the end of a desktop session, a service manager) and SIGHUP (a closed terminal) end
// the program the ordinary way: every event loop ends and the job files and settings are saved.
// The handler only writes a byte into a pipe; the event loop reads it.
int g_quitPipe[2] = {-1, -1};
std::atomic<int> g_quitSignal{0};

extern "C" void OnQuitSignal(int signal)
{
    g_quitSignal = signal;
    const char byte = 1;
    const int saved = errno;
    (void)!::write(g_quitPipe[1], &byte, 1);
    errno = saved;
}

class QuitOnSignals {
public:
    QuitOnSignals()
    {
        if (::pipe2(g_quitPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            return;
        }
        m_notifier = std::make_unique<QSocketNotifier>(g_quitPipe[0], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [] {
            char bytes[16];
            while (::read(g_quitPipe[0], bytes, sizeof bytes) > 0) {
            }
            // Every event loop ends, an open message box's too; none is opened again.
            QtPrompt::StopAsking();
            QCoreApplication::exit(0);
        });
        struct sigaction action {};
        action.sa_handler = OnQuitSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGHUP}) {
            sigaction(signal, &action, nullptr);
        }
    }
    ~QuitOnSignals()
    {
        for (const int signal : {SIGTERM, SIGHUP}) {
            std::signal(signal, SIG_DFL);
        }
        m_notifier.reset();
        for (int& fd : g_quitPipe) {
            if (fd >= 0) {
                ::close(fd);
                fd = -1;
            }
        }
    }
    QuitOnSignals(const QuitOnSignals&) = delete;
    QuitOnSignals& operator=(const QuitOnSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

// Messages when no window can show them any more.
class StderrPrompt final : public Prompt {
public:
    void ShowError(const std::string& text) override { std::fprintf(stderr, "nestrix: %s\n", text.c_str()); }
    bool AskYesNo(const std::string& text) override
    {
        ShowError(text);
        return false;
    }
};

// Qt ends the process with exit() when the display goes away (the X server died, the
// connection broke): what the commands have not saved yet is saved then.
CNestrixApp* g_runningApp = nullptr;

void SaveAtExit()
{
    if (CNestrixApp* app = std::exchange(g_runningApp, nullptr)) {
        StderrPrompt prompt;
        app->Session.End(prompt);
    }
}

}  // namespace

int RunDesktop(int argc, char** argv)
{
    if (!DisplayNamed()) {
        std::fputs("nestrix: no display is set (DISPLAY, WAYLAND_DISPLAY).\n", stderr);
        std::fputs(kNoDisplayHint, stderr);
        return 1;
    }
    g_previousHandler = qInstallMessageHandler(StartupMessages);
    QApplication qapp(argc, argv);
    qInstallMessageHandler(g_previousHandler);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setWindowIcon(QIcon(":/icons/nestrix.svg"));

    // Standard buttons, file and print dialogs in Japanese, like the rest of the program.
    InstallJapaneseQtTexts();

    CNestrixApp app;
    if (!app.InitInstance()) {
        return 1;
    }
    const QuitOnSignals quitOnSignals;
    g_runningApp = &app;
    static const bool registered = std::atexit(SaveAtExit) == 0;
    (void)registered;
    const QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf("--screenshot"); at >= 0 && at + 1 < args.size()) {
        ScheduleScreenshot(*app.MainFrame(), args[at + 1]);
    }
    std::vector<std::string> arguments;
    for (const QString& argument : args) {
        arguments.push_back(QFile::encodeName(argument).toStdString());
    }
    // A job file opens as 開く opens it; any other file is a parts file.
    if (const std::string file = PartsFileArgument(arguments); IsJobFileName(file)) {
        app.MainFrame()->OpenJob(file);
    } else if (!file.empty()) {
        app.OpenPartsFile(file);
    }
    QApplication::exec();
    g_runningApp = nullptr;
    const int code = app.ExitInstance();
    const int signal = g_quitSignal.exchange(0);
    return signal != 0 ? 128 + signal : code;
}
