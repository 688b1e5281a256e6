#pragma once

#include <QFont>
#include <memory>

#include "doc/AppSession.h"
#include "doc/GuardedChooser.h"
#include "doc/LastFolderChooser.h"
#include "platform/qt/QtFileChooser.h"
#include "platform/qt/QtPrompt.h"

class CMainFrame;
class FileChooser;
class Prompt;

// The application object: the settings and the program folder (in the session), the list
// font and the preview flag; it creates the document and the main window and ends them.
class CNestrixApp {
public:
    // Message boxes and file dialogs come from Qt unless a test hands in its own.
    explicit CNestrixApp(Prompt* prompt = nullptr, FileChooser* chooser = nullptr);
    ~CNestrixApp();
    CNestrixApp(const CNestrixApp&) = delete;
    CNestrixApp& operator=(const CNestrixApp&) = delete;

    // Start-up: program folder, settings, list font, document, main window shown maximised.
    // False when the program cannot start; the reason has been shown.
    bool InitInstance();
    // The end, after the main window closed: the document writes its job files, then the
    // settings file is written.
    int ExitInstance();
    // A parts file given on the command line, read into the parts list as 読み込み does.
    void OpenPartsFile(const std::string& path);

    AppSession Session;
    QFont ListFont;         // "ＭＳ ゴシック" 12 pt for the lists of the dialogs
    int PreviewActive = 0;  // 1 while a print preview is shown

    Settings& AppSettings() { return Session.AppSettings; }
    CNestrixDoc& Doc() { return *Session.Doc; }
    Prompt& GetPrompt() { return *m_prompt; }
    // The file dialogs; a save never goes over a file the job holds unasked, and each kind of
    // file opens where its last one was.
    FileChooser& GetFileChooser() { return m_lastFolderChooser; }
    CMainFrame* MainFrame() const { return m_frame.get(); }

private:
    QtPrompt m_qtPrompt;
    QtFileChooser m_qtChooser;
    Prompt* m_prompt;
    FileChooser* m_chooser;
    GuardedChooser m_guardedChooser;
    LastFolderChooser m_lastFolderChooser;
    std::unique_ptr<CMainFrame> m_frame;
};

// The desktop program: Qt application, start-up, event loop, end. Returns the exit code; 1 when
// the program cannot start (no display: the message points to `nestrix layout`).
int RunDesktop(int argc, char** argv);

extern const char* const kDesktopUsage;
