#pragma once

#include <functional>

#include <QMainWindow>
#include <array>
#include <map>
#include <string>

class CNestrixApp;
class CNestrixView;
class CPrintJob;
class QAction;
struct ResultCommandContext;
class QLabel;
class QToolBar;

// The main window: tool bar, status bar and the view; no menu bar.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(CNestrixApp& app);

    CNestrixView* View() const { return m_view; }
    CPrintJob* PrintJob() const { return m_print; }
    // The action of a tool bar command or accelerator (view/Commands.h); null for other ids.
    QAction* CommandAction(int id) const;
    // Enables the commands by the document's present state; the title names the job.
    void UpdateCommandUI();
    // 物件を開く on `path`, or with the open dialog when it is "".
    void OpenJob(const std::string& path);

signals:
    // Closing the main window while a print preview is open closes the preview instead.
    void closePreviewRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateToolBar();
    void CreateJobActions(QToolBar* bar);
    void CreateStockActions(QToolBar* bar);
    void CreateEdgeAction(QToolBar* bar);
    void CreateExportActions(QToolBar* bar);
    void CreateStatusBar();
    void SetStatusPanes(const QStringList& texts);
    void OnAbout();
    void OnInitialSettings();
    void OnEditList(int id);
    // Every command of the tool bar runs through here: an internal error ends the command with
    // its message, what changed is saved, the buttons follow the document.
    void RunCommand(const std::function<void()>& command);
    // A command of the result (layout, results, cut data) with its context, through RunCommand.
    void RunResultCommand(const std::function<void(const ResultCommandContext&)>& command);

    CNestrixApp& m_app;
    CNestrixView* m_view = nullptr;
    CPrintJob* m_print = nullptr;
    std::map<int, QAction*> m_actions;
    std::array<QLabel*, 3> m_panes{};
};
