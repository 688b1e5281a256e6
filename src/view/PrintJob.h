#pragma once

#include <QObject>
#include <QPointer>
#include <ctime>

#include "base/Settings.h"
#include "view/PrintPages.h"
#include "view/PrintPreview.h"

class CNestrixDoc;
class CNestrixView;
class Prompt;
class QMainWindow;
struct Settings;

// The two print commands: the print kind and time, the page preparation, then the print
// dialog or, with OutPrnPre, the preview in the main window first.
class CPrintJob : public QObject {
    Q_OBJECT
public:
    CPrintJob(QMainWindow& frame, CNestrixView& view, CNestrixDoc& doc, Settings& settings, int& previewFlag,
              Prompt& prompt);

    // 原板情報印刷 (kPrintBoardInfo) and 切断指示書印刷 (kPrintCutSheets).
    void OnPrintCommand(int kind);
    void OpenPreview();
    void ClosePreview();
    // The print dialog with the page range 1 .. page count, then the chosen pages.
    bool PrintWithDialog();

    int Kind() const { return m_kind; }
    std::time_t PrintTime() const { return m_time; }
    CPreviewView2* Preview() const { return m_preview; }
    PrintSource Source() const;

private:
    QMainWindow& m_frame;
    CNestrixView& m_view;
    CNestrixDoc& m_doc;
    Settings& m_settings;
    Settings m_resultSettings;  // the settings the printout draws with (the result's kerf)
    int& m_previewFlag;
    Prompt& m_prompt;
    int m_kind = kPrintBoardInfo;
    std::time_t m_time = 0;
    QPointer<CPreviewView2> m_preview;
};
