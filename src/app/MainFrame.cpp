#include "app/MainFrame.h"

#include <algorithm>
#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>

#include "app/AboutDlg.h"
#include "app/NestrixApp.h"
#include "app/NokowDlg.h"
#include "doc/JobCommands.h"
#include "doc/StockCommands.h"
#include "job/BuzaiDlg.h"
#include "job/EdgeDlg.h"
#include "job/GenbanDlg.h"
#include "platform/qt/QtCanvas.h"
#include "view/Commands.h"
#include "view/NestrixView.h"
#include "view/PrintJob.h"
#include "view/ResultCommands.h"
#include "view/ViewScreens.h"
#include "view/ViewState.h"

namespace {

struct ToolButton {
    int Id;  // 0: separator
    const char* Name;
    const char* Icon;
    const char* Caption;  // under the picture
    const char* ToolTip;
    const char* StatusText;
};

constexpr ToolButton kToolBar[] = {
    {kCmdOpenJob, "openJobAction", "open", "開く", "物件を開く", "保存した物件を配置結果とともに開きます。"},
    {kCmdSaveJob, "saveJobAction", "save", "保存", "物件を保存", "物件を配置結果とともにファイルへ保存します。"},
    {0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {kCmdBoards, "boardsAction", "boards", "原板", "原板データ設定", "原板データを設定します。"},
    {kCmdParts, "partsAction", "parts", "部材", "部材データ入力", "部材データを入力します。"},
    {kCmdSecondaryParts, "secondaryPartsAction", "secondary", "２次部材", "２次部材データ入力",
     "２次部材データを入力します。"},
    {0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {kCmdLayout, "layoutAction", "layout", "配置", "配置計算実行", "配置計算を実行します。"},
    {kCmdResults, "resultsAction", "results", "結果", "配置結果", "配置結果を表示します。"},
    {kCmdCutData, "cutDataAction", "cutdata", "切断データ", "切断データ出力",
     "切断データをファイルへ出力します。"},
    {kCmdStock, "stockAction", "stock", "在庫反映", "在庫反映",
     "使った原板を原板数から引き、端材を原板リストに加えます。取り消しで元に戻せます。"},
    {0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {kCmdPrintBoardInfo, "printBoardInfoAction", "printinfo", "原板情報", "原板情報印刷",
     "原板情報を印刷します。"},
    {kCmdPrintCutSheets, "printCutSheetsAction", "printcut", "切断指示書", "切断指示書印刷",
     "切断指示書を印刷します。"},
    {kCmdPrintLabels, "printLabelsAction", "labels", "ラベル", "ラベル印刷",
     "部材ごとのラベルを切断順に印刷します。"},
    {0, nullptr, nullptr, nullptr, nullptr, nullptr},
    {kCmdInitialSettings, "initialSettingsAction", "settings", "初期設定", "初期設定", "初期設定"},
    {kCmdAbout, "aboutAction", "about", "情報", "バージョン情報",
     "プログラム情報、バージョン、著作権を表示します。"},
    {kCmdContextHelp, "contextHelpAction", "help", "ヘルプ", "ヘルプ",
     "クリックしたボタンやメニュー、ウィンドウについてヘルプを表示します。"},
    {kCmdExit, "exitAction", "exit", "終了", "アプリケーションの終了",
     "アプリケーションを終了し、ファイルの保存を指示します。"},
};

constexpr QSize kButtonSize(64, 60);

}  // namespace

CMainFrame::CMainFrame(CNestrixApp& app) : m_app(app)
{
    setObjectName("mainFrame");
    setWindowTitle(kAppTitle);
    setWindowIcon(QIcon(":/icons/nestrix.svg"));

    m_view = new CNestrixView(m_app.Doc(), m_app.AppSettings(), this);
    setCentralWidget(m_view);
    CreateToolBar();
    CreateStatusBar();
    connect(m_view, &CNestrixView::statusPanesChanged, this, &CMainFrame::SetStatusPanes);
    m_print = new CPrintJob(*this, *m_view, m_app.Doc(), m_app.AppSettings(), m_app.PreviewActive,
                            m_app.GetPrompt());
    const std::pair<int, int> printCommands[] = {
        {kCmdPrintBoardInfo, kPrintBoardInfo}, {kCmdPrintCutSheets, kPrintCutSheets}, {kCmdPrintLabels, kPrintLabels}};
    for (const auto& [id, kind] : printCommands) {
        connect(m_actions[id], &QAction::triggered, m_print,
                [this, kind] { RunCommand([this, kind] { m_print->OnPrintCommand(kind); }); });
    }
    connect(this, &CMainFrame::closePreviewRequested, m_print, &CPrintJob::ClosePreview);
    m_view->UpdateStatusBar();
    UpdateCommandUI();
}

void CMainFrame::CreateToolBar()
{
    QToolBar* bar = addToolBar("ツールバー");
    bar->setObjectName("toolBar");
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setMovable(true);
    for (const ToolButton& button : kToolBar) {
        if (button.Id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* action = bar->addAction(QIcon(QString(":/icons/%1.svg").arg(button.Icon)), button.ToolTip);
        action->setObjectName(button.Name);
        action->setData(button.Id);
        action->setIconText(button.Caption);
        action->setToolTip(button.ToolTip);
        action->setStatusTip(button.StatusText);
        action->setWhatsThis(button.StatusText);
        if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(action))) {
            tool->setFixedSize(kButtonSize);
            tool->setWhatsThis(button.StatusText);
        }
        m_actions[button.Id] = action;
    }

    // Help is the what's-this mode: a click on a button shows its status text.
    QAction* contextHelp = m_actions[kCmdContextHelp];
    contextHelp->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1));
    connect(contextHelp, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    auto* help = new QAction(this);
    help->setObjectName("helpAction");
    help->setData(int(kCmdHelp));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    connect(help, &QAction::triggered, this, [] { QWhatsThis::enterWhatsThisMode(); });
    addAction(help);
    m_actions[kCmdHelp] = help;

    CreateJobActions(bar);
    CreateEdgeAction(bar);
    CreateStockActions(bar);
    CreateExportActions(bar);
    connect(m_actions[kCmdAbout], &QAction::triggered, this, &CMainFrame::OnAbout);
    connect(m_actions[kCmdInitialSettings], &QAction::triggered, this,
            [this] { RunCommand([this] { OnInitialSettings(); }); });
    connect(m_actions[kCmdExit], &QAction::triggered, this, &QWidget::close);
    for (const int id : {kCmdBoards, kCmdParts, kCmdSecondaryParts}) {
        connect(m_actions[id], &QAction::triggered, this, [this, id] { RunCommand([this, id] { OnEditList(id); }); });
    }
    for (const auto& [id, command] : {std::pair{kCmdLayout, &OnLayoutCalculation},
                                      {kCmdResults, &OnShowResults},
                                      {kCmdCutData, &OnCutDataOutput}}) {
        connect(m_actions[id], &QAction::triggered, this, [this, command] { RunResultCommand(command); });
    }
}

void CMainFrame::CreateJobActions(QToolBar* bar)
{
    QAction* open = m_actions[kCmdOpenJob];
    open->setShortcut(QKeySequence::Open);
    connect(open, &QAction::triggered, this, [this] { OpenJob(""); });
    // 新規 (Ctrl+N) first under the arrow of 開く, then the recent jobs, made when it opens.
    auto* newJob = new QAction("新規", this);
    newJob->setObjectName("newJobAction");
    newJob->setData(int(kCmdNewJob));
    newJob->setShortcut(QKeySequence::New);
    newJob->setStatusTip("部材も結果もない新しい物件を始めます。原板リストはそのままです。");
    connect(newJob, &QAction::triggered, this,
            [this] { RunResultCommand([](const ResultCommandContext& context) { OnNewJob(context); }); });
    addAction(newJob);
    m_actions[kCmdNewJob] = newJob;
    // 物件情報 under both arrows: 保存's is disabled while the job is empty.
    auto* jobInfo = new QAction("物件情報...", this);
    jobInfo->setObjectName("jobInfoAction");
    jobInfo->setData(int(kCmdJobInfo));
    jobInfo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    jobInfo->setStatusTip("物件名・得意先・納期・コメントを設定します。印刷物、ラベル、物件ファイルに入ります。");
    connect(jobInfo, &QAction::triggered, this,
            [this] { RunResultCommand([](const ResultCommandContext& context) { OnJobInfo(context); }); });
    addAction(jobInfo);
    m_actions[kCmdJobInfo] = jobInfo;
    auto* recent = new QMenu(this);
    recent->setObjectName("recentJobsMenu");
    connect(recent, &QMenu::aboutToShow, this, [this, recent, newJob, jobInfo] {
        recent->clear();
        recent->addAction(newJob);
        recent->addAction(jobInfo);
        recent->addSeparator();
        const std::vector<std::string> jobs = m_app.AppSettings().RecentJobs;
        for (std::size_t i = 0; i < jobs.size(); ++i) {
            const QString path = QString::fromStdString(jobs[i]);
            QAction* item = recent->addAction(QString("&%1 %2").arg(i + 1).arg(path));
            connect(item, &QAction::triggered, this, [this, path] { OpenJob(path.toStdString()); });
        }
        if (jobs.empty()) {
            recent->addAction("（最近開いた物件はありません）")->setEnabled(false);
        }
    });
    open->setMenu(recent);
    if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(open))) {
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }

    QAction* save = m_actions[kCmdSaveJob];
    save->setShortcut(QKeySequence::Save);
    connect(save, &QAction::triggered, this, [this] {
        RunResultCommand([](const ResultCommandContext& context) { OnSaveJob(context, false); });
    });
    auto* saveAs = new QAction("名前を付けて保存...", this);
    saveAs->setObjectName("saveJobAsAction");
    saveAs->setData(int(kCmdSaveJobAs));
    saveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(saveAs, &QAction::triggered, this, [this] {
        RunResultCommand([](const ResultCommandContext& context) { OnSaveJob(context, true); });
    });
    addAction(saveAs);
    m_actions[kCmdSaveJobAs] = saveAs;
    auto* saveMenu = new QMenu(this);
    saveMenu->addAction(saveAs);
    saveMenu->addAction(m_actions[kCmdJobInfo]);
    save->setMenu(saveMenu);
    if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(save))) {
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void CMainFrame::CreateEdgeAction(QToolBar* bar)
{
    // エッジ材 under the arrow of 原板: the bands the parts' edges name.
    auto* edges = new QAction("エッジ材...", this);
    edges->setObjectName("edgesAction");
    edges->setData(int(kCmdEdges));
    edges->setStatusTip(
        "エッジ材（記号・厚さ・単価など）を設定します。部材の辺にエッジを指定すると、その厚さを除いた寸法で切"
        "断します。");
    connect(edges, &QAction::triggered, this, [this] { RunCommand([this] { OnEditList(kCmdEdges); }); });
    addAction(edges);
    m_actions[kCmdEdges] = edges;
    auto* menu = new QMenu(this);
    menu->setObjectName("boardsMenu");
    menu->addAction(edges);
    QAction* boards = m_actions[kCmdBoards];
    boards->setMenu(menu);
    if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(boards))) {
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void CMainFrame::CreateStockActions(QToolBar* bar)
{
    QAction* stock = m_actions[kCmdStock];
    connect(stock, &QAction::triggered, this, [this] {
        RunCommand([this] {
            if (ApplyStockUpdate(m_app.Doc(), m_app.AppSettings(), m_app.Session.Folder, m_app.GetPrompt())) {
                m_view->RequestRedraw();
            }
        });
    });
    // 取り消し: under the arrow of 在庫反映, and Ctrl+Z.
    auto* undo = new QAction("取り消し", this);
    undo->setObjectName("stockUndoAction");
    undo->setData(int(kCmdStockUndo));
    undo->setShortcut(QKeySequence::Undo);
    undo->setStatusTip("最後の在庫反映を取り消し、原板リストを反映の前に戻します。");
    connect(undo, &QAction::triggered, this, [this] {
        RunCommand([this] {
            if (UndoStockUpdate(m_app.Doc(), m_app.AppSettings(), m_app.Session.Folder, m_app.GetPrompt())) {
                m_view->RequestRedraw();
            }
        });
    });
    addAction(undo);
    m_actions[kCmdStockUndo] = undo;
    auto* menu = new QMenu(this);
    menu->addAction(undo);
    stock->setMenu(menu);
    if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(stock))) {
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void CMainFrame::CreateExportActions(QToolBar* bar)
{
    // DXF出力 and Excel出力 under the arrow of 切断データ: other files of the same result.
    struct Export {
        int Id;
        const char* Name;
        const char* Text;
        const char* StatusText;
        void (*Command)(const ResultCommandContext&);
    };
    const Export exports[] = {
        {kCmdDxfOutput, "dxfOutputAction", "DXF出力...",
         "パターンごとの図面を DXF ファイル（pattern-001.dxf …）としてフォルダへ出力します。", &OnDxfOutput},
        {kCmdXlsxOutput, "xlsxOutputAction", "Excel出力...",
         "配置結果（集計、部材、原板、パターン、端材）を Excel ファイルへ出力します。", &OnXlsxOutput},
    };
    auto* menu = new QMenu(this);
    menu->setObjectName("cutDataMenu");
    for (const Export& item : exports) {
        auto* action = new QAction(item.Text, this);
        action->setObjectName(item.Name);
        action->setData(item.Id);
        action->setStatusTip(item.StatusText);
        connect(action, &QAction::triggered, this,
                [this, command = item.Command] { RunResultCommand(command); });
        menu->addAction(action);
        addAction(action);
        m_actions[item.Id] = action;
    }
    QAction* cutData = m_actions[kCmdCutData];
    cutData->setMenu(menu);
    if (auto* tool = qobject_cast<QToolButton*>(bar->widgetForAction(cutData))) {
        tool->setPopupMode(QToolButton::MenuButtonPopup);
    }
}

void CMainFrame::OpenJob(const std::string& path)
{
    RunResultCommand([path](const ResultCommandContext& context) { OnOpenJob(context, path); });
}

void CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName("statusBar");
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        auto* pane = new QLabel(bar);
        pane->setObjectName(QString("statusPane%1").arg(i + 1));
        pane->setFrameShape(QFrame::Panel);
        pane->setFrameShadow(QFrame::Sunken);
        // The pane texts are laid out in columns ("%-20s", "%5d/%5d"): a fixed-pitch font keeps
        // them, and the 80 spaces of the first pane then hold its whole text.
        QFont font(QtCanvas::ResolveFamily(kGothicFace));
        font.setFixedPitch(true);
        font.setPointSizeF(bar->font().pointSizeF());
        pane->setFont(font);
        const int margins = 2 * pane->frameWidth() + 2 * pane->margin() + 4;
        pane->setFixedWidth(pane->fontMetrics().horizontalAdvance(kStatusPaneWidthTexts[i]) + margins);
        bar->addPermanentWidget(pane);
        m_panes[i] = pane;
    }
}

void CMainFrame::SetStatusPanes(const QStringList& texts)
{
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i]->setText(static_cast<qsizetype>(i) < texts.size() ? texts[i] : QString());
    }
}

QAction* CMainFrame::CommandAction(int id) const
{
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

void CMainFrame::UpdateCommandUI()
{
    for (const auto& [id, action] : m_actions) {
        action->setEnabled(IsCommandEnabled(id, m_app.Doc()));
    }
    // 配置 says why it cannot be chosen, in its tip and on the status bar as the pointer passes.
    if (QAction* layout = CommandAction(kCmdLayout)) {
        const std::string why = DisabledReason(kCmdLayout, m_app.Doc());
        const auto tool = std::find_if(std::begin(kToolBar), std::end(kToolBar),
                                       [](const ToolButton& b) { return b.Id == kCmdLayout; });
        QString tip = why.empty() ? QString(tool->StatusText) : QString::fromStdString(why);
        if (why.empty() && m_app.Doc().LayoutWithJobBoards) {
            tip += "（この物件の原板で配置します。原板リストは使いません）";
        }
        layout->setStatusTip(tip);
    }
    setWindowTitle(QString::fromStdString(JobWindowTitle(m_app.Doc(), m_app.AppSettings())));
}

void CMainFrame::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.exec();
}

void CMainFrame::OnInitialSettings()
{
    RunInitialSettings(m_app.AppSettings(), m_app.GetFileChooser(), this);
    // Display switches may have changed; OK or not, the picture and the panes are renewed.
    m_view->RequestRedraw();
    m_view->UpdateStatusBar();
}

void CMainFrame::OnEditList(int id)
{
    CNestrixDoc& doc = m_app.Doc();
    const JobDialogContext context{m_app.AppSettings(),
                                   m_app.GetPrompt(),
                                   m_app.GetFileChooser(),
                                   m_app.ListFont,
                                   this,
                                   &m_app.AppSettings().PartsImportMaps,
                                   &doc.EdgeList};
    DiscardAndEdit(
        doc,
        [&] {
            switch (id) {
                case kCmdBoards: return EditList(doc.GenbanList, context) != 0;
                case kCmdEdges: return EditList(doc.EdgeList, context) != 0;
                case kCmdParts: return EditList(doc.BuzaiList, context) != 0;
                default: return EditList(doc.YBuzaiList, context) != 0;
            }
        },
        [this] {
            m_view->RequestRedraw();
            m_view->UpdateStatusBar();
            UpdateCommandUI();
        });
    if (id == kCmdParts) {
        // Closing asks exactly while the parts are not written, changed now or before.
        doc.Modified = doc.BuzaiList.Saved ? 0 : 1;
    }
}

void CMainFrame::RunCommand(const std::function<void()>& command)
{
    try {
        command();
    } catch (const std::exception& fault) {
        m_app.GetPrompt().ShowError(std::string("内部エラーのため処理を中止しました。\n") + fault.what());
    }
    // Lists, run options and settings may have changed: saved now, not only at the end.
    m_app.Session.SaveChanges(m_app.GetPrompt());
    UpdateCommandUI();
}

void CMainFrame::RunResultCommand(const std::function<void(const ResultCommandContext&)>& command)
{
    const ResultCommandContext context{m_app.Doc(),
                                       m_app.AppSettings(),
                                       m_app.GetPrompt(),
                                       m_app.GetFileChooser(),
                                       m_app.ListFont,
                                       *m_view,
                                       this,
                                       [this] { UpdateCommandUI(); }};
    RunCommand([&] { command(context); });
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_app.PreviewActive) {
        event->ignore();
        emit closePreviewRequested();
        return;
    }
    if (!m_app.Doc().CanClose(m_app.GetPrompt())) {
        event->ignore();
        return;
    }
    event->accept();
}
