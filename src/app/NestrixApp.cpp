#include "app/NestrixApp.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <cstring>

#include "app/MainFrame.h"
#include "platform/qt/QtCanvas.h"

static void InitNestrixResources()
{
    Q_INIT_RESOURCE(nestrix);  // the icons live in the static UI library
}

CNestrixApp::CNestrixApp(Prompt* prompt, FileChooser* chooser)
    : m_prompt(prompt != nullptr ? prompt : &m_qtPrompt),
      m_chooser(chooser != nullptr ? chooser : &m_qtChooser)
{
    InitNestrixResources();
}

CNestrixApp::~CNestrixApp() = default;

bool CNestrixApp::InitInstance()
{
    if (!Session.Start()) {
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

int CNestrixApp::ExitInstance()
{
    // The window and its view refer to the document: they go first.
    m_frame.reset();
    if (!Session.End(*m_prompt)) {
        std::fprintf(stderr, "nestrix: %s cannot be written\n", Session.SettingsPath().c_str());
    }
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

int RunDesktop(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(kAppTitle);
    QApplication::setWindowIcon(QIcon(":/icons/nestrix.svg"));

    // Standard buttons and file dialogs in Japanese, like the rest of the program.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(&qtTexts);
    }

    CNestrixApp app;
    if (!app.InitInstance()) {
        return 1;
    }
    const QStringList args = QApplication::arguments();
    if (const qsizetype at = args.indexOf("--screenshot"); at >= 0 && at + 1 < args.size()) {
        ScheduleScreenshot(*app.MainFrame(), args[at + 1]);
    }
    QApplication::exec();
    return app.ExitInstance();
}
