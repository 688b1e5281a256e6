#include <QAction>
#include <QCheckBox>
#include <QMenu>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <functional>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWhatsThis>
#include <QtTest>

#include "app/MainFrame.h"
#include "app/NestrixApp.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "fakes/WhenModal.h"
#include "doc/JobCommands.h"
#include "result/JobFile.h"
#include "view/Commands.h"
#include "view/NestrixView.h"

namespace {

void SeedJobFiles(const TempDir& home)
{
    RecordingPrompt prompt;
    CGenbanList boards;
    boards.Items.resize(2);
    boards.Write(home.File("Genban"), prompt);
    CBuzaiList secondary;
    secondary.IsSecondary = 1;
    secondary.Items.resize(3);
    secondary.Write(home.File("YBuzai"), prompt);
}

// A started program in a fresh program folder; ended when the test has not ended it.
struct Started {
    TempDir home;
    ScopedEnv env{"NESTRIX_HOME", home.Path()};
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    std::unique_ptr<CNestrixApp> app;
    bool ended = false;

    explicit Started(bool withJobFiles = true, const std::string& ini = "")
    {
        if (withJobFiles) {
            SeedJobFiles(home);
        }
        if (!ini.empty()) {
            WriteBytes(home.File("Nestrix.ini"), ini);
        }
        app = std::make_unique<CNestrixApp>(&prompt, &chooser);
    }
    ~Started()
    {
        if (!ended) {
            End();
        }
    }
    CMainFrame& Frame() { return *app->MainFrame(); }
    void End()
    {
        app->ExitInstance();
        ended = true;
    }
};

// A saved job "山田邸" due 2026-12-24 with one part 扉, one board and `secondary` secondary parts.
bool WriteYamadaJob(const std::string& path, std::size_t secondary)
{
    JobDocument job;
    job.Info = CutDataInfo{"山田邸", 2026, 12, 24, "急ぎ"};
    job.Parts.Items.resize(1);
    job.Parts.Items[0].Name = "扉";
    job.Secondary.Items.resize(secondary);
    job.Boards.Items.resize(1);
    job.Bind();
    return WriteJobFile(path, job).Ok();
}

}  // namespace

class MainFrameTest : public QObject {
    Q_OBJECT
private slots:
    void startsMaximisedWithoutMenuBar();
    void toolBarHoldsTheButtonsInOrder();
    void statusBarHasThreeEmptyIndicatorPanes();
    void startUpReloadsTheJobFiles_data();
    void startUpReloadsTheJobFiles();
    void closingAsksWhenThePartsAreModified_data();
    void closingAsksWhenThePartsAreModified();
    void exitWritesTheJobFilesAndTheSettings();
    void resetBoardsStillWritesTheEmptyList();
    void commandsFollowTheEnablingRules();
    void aboutBoxShowsTheVersion();
    void contextHelpEntersWhatsThisMode_data();
    void contextHelpEntersWhatsThisMode();
    void viewRedrawsItsSurfaceOnlyWhenAsked();
    void partsEnteredInTheDialogMakeClosingAsk_data();
    void partsEnteredInTheDialogMakeClosingAsk();
    void listCommandsDropTheResultOnlyOnAChange_data();
    void listCommandsDropTheResultOnlyOnAChange();
    void newJobAfterAnOpenedJobStartsEmpty();
    void jobInfoDialogSetsTheJobsHeader();
};

void MainFrameTest::startsMaximisedWithoutMenuBar()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    CMainFrame& frame = s.Frame();
    QVERIFY(frame.isVisible());
    QVERIFY(frame.isMaximized());
    QCOMPARE(frame.windowTitle(), QString("Nestrix"));
    QCOMPARE(frame.menuWidget(), nullptr);
    QVERIFY(frame.findChild<QMenuBar*>() == nullptr);
    QCOMPARE(frame.centralWidget(), frame.View());
    QVERIFY(!s.app->ListFont.family().isEmpty());
    QCOMPARE(s.app->ListFont.pointSize(), 12);
    QVERIFY(s.app->ListFont.fixedPitch());
}

void MainFrameTest::toolBarHoldsTheButtonsInOrder()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    auto* bar = s.Frame().findChild<QToolBar*>("toolBar");
    QVERIFY(bar != nullptr);
    struct Expected {
        int id;  // 0: separator
        const char* toolTip;
    };
    const Expected expected[] = {
        {kCmdOpenJob, "物件を開く"},
        {kCmdSaveJob, "物件を保存"},
        {0, nullptr},
        {kCmdBoards, "原板データ設定"},
        {kCmdParts, "部材データ入力"},
        {kCmdSecondaryParts, "２次部材データ入力"},
        {0, nullptr},
        {kCmdLayout, "配置計算実行"},
        {kCmdResults, "配置結果"},
        {kCmdCutData, "切断データ出力"},
        {kCmdStock, "在庫反映"},
        {0, nullptr},
        {kCmdPrintBoardInfo, "原板情報印刷"},
        {kCmdPrintCutSheets, "切断指示書印刷"},
        {kCmdPrintLabels, "ラベル印刷"},
        {0, nullptr},
        {kCmdInitialSettings, "初期設定"},
        {kCmdAbout, "バージョン情報"},
        {kCmdContextHelp, "ヘルプ"},
        {kCmdExit, "アプリケーションの終了"},
    };
    const QList<QAction*> actions = bar->actions();
    QCOMPARE(actions.size(), qsizetype(std::size(expected)));
    for (qsizetype i = 0; i < actions.size(); ++i) {
        const Expected& e = expected[i];
        QCOMPARE(actions[i]->isSeparator(), e.id == 0);
        if (e.id == 0) {
            continue;
        }
        QCOMPARE(actions[i]->data().toInt(), e.id);
        QCOMPARE(actions[i]->toolTip(), QString(e.toolTip));
        QVERIFY(!actions[i]->statusTip().isEmpty());
        if (actions[i]->isEnabled()) {  // a disabled 配置 says why instead
            QCOMPARE(actions[i]->whatsThis(), actions[i]->statusTip());
        }
        QVERIFY(!actions[i]->icon().pixmap(32, 32).isNull());
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(actions[i]));
        QVERIFY(button != nullptr);
        QCOMPARE(button->size(), QSize(64, 60));
    }
    QCOMPARE(s.Frame().CommandAction(kCmdAbout)->statusTip(),
             QString("プログラム情報、バージョン、著作権を表示します。"));
    QCOMPARE(s.Frame().CommandAction(kCmdExit)->statusTip(),
             QString("アプリケーションを終了し、ファイルの保存を指示します。"));
}

void MainFrameTest::statusBarHasThreeEmptyIndicatorPanes()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    QLabel* panes[3];
    for (int i = 0; i < 3; ++i) {
        panes[i] = s.Frame().findChild<QLabel*>(QString("statusPane%1").arg(i + 1));
        QVERIFY(panes[i] != nullptr);
        QVERIFY(panes[i]->isVisible());
        QCOMPARE(panes[i]->text(), QString());
    }
    // Sized by 80 spaces, "枚数       " and 17 spaces.
    const QFontMetrics metrics = panes[0]->fontMetrics();
    QVERIFY(panes[0]->width() >= metrics.horizontalAdvance(QString(80, ' ')));
    QVERIFY(panes[1]->width() >= metrics.horizontalAdvance("枚数       "));
    QVERIFY(panes[2]->width() >= metrics.horizontalAdvance(QString(17, ' ')));
    QVERIFY(panes[0]->width() > panes[2]->width());
}

void MainFrameTest::startUpReloadsTheJobFiles_data()
{
    QTest::addColumn<bool>("filesExist");
    QTest::addColumn<QString>("ini");
    QTest::addColumn<int>("boards");
    QTest::addColumn<int>("secondary");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("reloaded") << true << QString() << 2 << 3 << QStringList{};
    QTest::newRow("first run: quiet") << false << QString() << 0 << 0 << QStringList{};
    QTest::newRow("reset both") << true << QString("[SysPara]\nResetGenbanFlg=1\nResetYBuzaiFlg=1\n") << 0
                                << 0 << QStringList{};
}

void MainFrameTest::startUpReloadsTheJobFiles()
{
    QFETCH(bool, filesExist);
    QFETCH(QString, ini);
    QFETCH(int, boards);
    QFETCH(int, secondary);
    QFETCH(QStringList, messages);
    Started s(filesExist, ini.toStdString());

    QVERIFY(s.app->InitInstance());

    QVERIFY(s.Frame().isVisible());
    QCOMPARE(int(s.app->Doc().GenbanList.Items.size()), boards);
    QCOMPARE(int(s.app->Doc().YBuzaiList.Items.size()), secondary);
    QStringList shown;
    for (const std::string& text : s.prompt.Shown) {
        shown << QString::fromStdString(text);
    }
    QCOMPARE(shown, messages);
    if (filesExist && ini.isEmpty()) {
        QCOMPARE(s.app->Doc().GenbanList.Saved, 0);
        QCOMPARE(s.app->Doc().YBuzaiList.Saved, 0);
    }
}

void MainFrameTest::closingAsksWhenThePartsAreModified_data()
{
    QTest::addColumn<int>("modified");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<bool>("useExitButton");
    QTest::addColumn<int>("questions");
    QTest::addColumn<bool>("stillOpen");
    QTest::newRow("saved parts, close box") << 0 << false << false << 0 << false;
    QTest::newRow("modified, Yes") << 1 << true << false << 1 << false;
    QTest::newRow("modified, No") << 1 << false << false << 1 << true;
    QTest::newRow("modified, exit button, No") << 1 << false << true << 1 << true;
    QTest::newRow("modified, exit button, Yes") << 1 << true << true << 1 << false;
}

void MainFrameTest::closingAsksWhenThePartsAreModified()
{
    QFETCH(int, modified);
    QFETCH(bool, answer);
    QFETCH(bool, useExitButton);
    QFETCH(int, questions);
    QFETCH(bool, stillOpen);
    Started s;
    QVERIFY(s.app->InitInstance());
    s.app->Doc().Modified = modified;
    s.prompt.Answers = {answer};

    if (useExitButton) {
        s.Frame().CommandAction(kCmdExit)->trigger();
    } else {
        s.Frame().close();
    }

    QCOMPARE(int(s.prompt.Asked.size()), questions);
    if (questions > 0) {
        QCOMPARE(QString::fromStdString(s.prompt.Asked[0]),
                 QString("部材を保存していません。\nこのまま終了しますか？"));
    }
    QCOMPARE(s.Frame().isVisible(), stillOpen);
}

void MainFrameTest::exitWritesTheJobFilesAndTheSettings()
{
    Started s(true, "[SysPara]\r\nTimeDisp=1\r\n");
    QVERIFY(s.app->InitInstance());
    s.app->AppSettings().NokoHaba = 42;
    s.app->Doc().GenbanList.Items.resize(5);
    s.app->Doc().BuzaiList.Items.resize(1);
    QVERIFY(s.Frame().close());

    QCOMPARE(s.app->ExitInstance(), 0);
    s.ended = true;

    CGenbanList boards;
    RecordingPrompt prompt;
    QCOMPARE(boards.Read(s.home.File("Genban"), Settings{}, prompt), 1);
    QCOMPARE(int(boards.Items.size()), 5);
    const std::string ini = ReadBytes(s.home.File("Nestrix.ini"));
    QVERIFY(ini.find("NokoHaba=42") != std::string::npos);
    QVERIFY(ini.find("TimeDisp=1") != std::string::npos);
    QVERIFY(prompt.Shown.empty());
}

void MainFrameTest::resetBoardsStillWritesTheEmptyList()
{
    Started s(true, "[SysPara]\nResetGenbanFlg=1\n");
    QVERIFY(s.app->InitInstance());
    QVERIFY(s.Frame().close());
    s.End();

    CGenbanList boards;
    RecordingPrompt prompt;
    QCOMPARE(boards.Read(s.home.File("Genban"), Settings{}, prompt), 1);
    QCOMPARE(int(boards.Items.size()), 0);
    CBuzaiList secondary;
    QCOMPARE(secondary.Read(s.home.File("YBuzai"), Settings{}, prompt), 1);
    QCOMPARE(int(secondary.Items.size()), 3);
}

void MainFrameTest::commandsFollowTheEnablingRules()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    CMainFrame& frame = s.Frame();
    QVERIFY(!frame.CommandAction(kCmdLayout)->isEnabled());  // no parts yet
    for (int id : {kCmdResults, kCmdCutData, kCmdPrintBoardInfo, kCmdPrintCutSheets, kCmdPrintLabels}) {
        QVERIFY(!frame.CommandAction(id)->isEnabled());
    }
    for (int id : {kCmdBoards, kCmdParts, kCmdSecondaryParts, kCmdInitialSettings, kCmdAbout, kCmdContextHelp,
                   kCmdExit}) {
        QVERIFY(frame.CommandAction(id)->isEnabled());
    }
    QAction* layout = frame.CommandAction(kCmdLayout);
    QVERIFY(layout->statusTip().startsWith("部材がないため配置できません。"));
    QCOMPARE(layout->toolTip(), QString("配置計算実行"));
    s.app->Doc().BuzaiList.Items.resize(1);
    frame.UpdateCommandUI();
    QVERIFY(layout->isEnabled());
    QCOMPARE(layout->toolTip(), QString("配置計算実行"));
    QCOMPARE(layout->statusTip(), QString("配置計算を実行します。"));
    // Parts but no boards (the example opened on a first start): the tip says so.
    s.app->Doc().GenbanList.Items.clear();
    frame.UpdateCommandUI();
    QVERIFY(!layout->isEnabled());
    QVERIFY(layout->statusTip().startsWith("原板リストが空のため配置できません。"));
    s.app->Doc().BuzaiList.Items.clear();
}

void MainFrameTest::aboutBoxShowsTheVersion()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    QString title;
    QString version;
    bool hasIcon = false;
    bool wideEnough = false;  // for the whole title beside the title bar's buttons
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        title = dialog->windowTitle();
        version = dialog->findChild<QLabel*>("aboutVersion")->text();
        hasIcon = !dialog->findChild<QLabel*>("aboutIcon")->pixmap().isNull();
        wideEnough = dialog->width() >= dialog->fontMetrics().horizontalAdvance(dialog->windowTitle()) + 120;
        dialog->accept();
    });
    s.Frame().CommandAction(kCmdAbout)->trigger();
    QCOMPARE(title, QString("バージョン情報 Nestrix"));
    QCOMPARE(version, QString("Nestrix Version " NESTRIX_VERSION));
    QVERIFY(hasIcon);
    QVERIFY(wideEnough);
}

void MainFrameTest::contextHelpEntersWhatsThisMode_data()
{
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Shift+F1") << QKeySequence(Qt::SHIFT | Qt::Key_F1);
    QTest::newRow("F1") << QKeySequence(Qt::Key_F1);
}

void MainFrameTest::contextHelpEntersWhatsThisMode()
{
    QFETCH(QKeySequence, keys);
    Started s;
    QVERIFY(s.app->InitInstance());
    s.Frame().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.Frame()));
    QVERIFY(!QWhatsThis::inWhatsThisMode());

    QTest::keySequence(&s.Frame(), keys);

    QVERIFY(QWhatsThis::inWhatsThisMode());
    QWhatsThis::leaveWhatsThisMode();
}

void MainFrameTest::viewRedrawsItsSurfaceOnlyWhenAsked()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    CNestrixView* view = s.Frame().View();
    QVERIFY(QTest::qWaitForWindowExposed(&s.Frame()));
    view->repaint();
    const int first = view->SurfaceRedraws();
    QVERIFY(first >= 1);
    QCOMPARE(s.app->Doc().RedrawNeeded, 0);

    view->repaint();
    view->repaint();
    QCOMPARE(view->SurfaceRedraws(), first);

    view->RequestRedraw();
    view->repaint();
    QCOMPARE(view->SurfaceRedraws(), first + 1);

    // White behind the guide, blue ink in the title line (x from 24, y from 24 to 40).
    const QImage surface = view->Surface();
    QCOMPARE(surface.size(), view->size() + QSize(1, 1));
    QCOMPARE(QColor(surface.pixel(5, 5)), QColor(Qt::white));
    int blue = 0;
    for (int y = 24; y < 40; ++y) {
        for (int x = 24; x < 300; ++x) {
            const QColor c(surface.pixel(x, y));
            blue += c.blue() > 200 && c.red() < 100 && c.green() < 100;
        }
    }
    QVERIFY(blue > 50);
}

void MainFrameTest::partsEnteredInTheDialogMakeClosingAsk_data()
{
    QTest::addColumn<bool>("written");
    QTest::newRow("entered only") << false;
    QTest::newRow("entered and written") << true;
}

void MainFrameTest::partsEnteredInTheDialogMakeClosingAsk()
{
    QFETCH(bool, written);
    Started s;
    if (written) {
        s.chooser.Files = {s.home.File("parts.csv")};
    }
    QVERIFY(s.app->InitInstance());
    CNestrixDoc& doc = s.app->Doc();
    QVERIFY(!s.Frame().CommandAction(kCmdLayout)->isEnabled());
    WhenModal([](QWidget* list) {
        QCOMPARE(list->objectName(), QString("partsListDialog"));
        QCOMPARE(list->windowTitle(), QString("部材設定"));
        WhenModal([](QWidget* input) {
            QCOMPARE(input->windowTitle(), QString("部材"));
            input->findChild<QLineEdit*>("nameEdit")->setText("側板");
            input->findChild<QLineEdit*>("widthEdit")->setText("600");
            QTest::keyClick(input->findChild<QLineEdit*>("countEdit"), Qt::Key_Return);
        });
        QTest::keyClick(list->findChild<QTableView*>("listTable"), Qt::Key_Insert);
        QTest::mouseClick(list->findChild<QPushButton*>("saveButton"), Qt::LeftButton);
        QTest::mouseClick(list->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    });
    s.Frame().CommandAction(kCmdParts)->trigger();
    QCOMPARE(int(doc.BuzaiList.Items.size()), 1);
    QCOMPARE(doc.BuzaiList.Items[0].Width, 6000);
    QCOMPARE(doc.Modified, written ? 0 : 1);
    QVERIFY(s.Frame().CommandAction(kCmdLayout)->isEnabled());  // two boards were reloaded

    s.prompt.Answers = {false};
    s.Frame().close();
    QCOMPARE(s.prompt.Asked.size(), written ? std::size_t(0) : std::size_t(1));
    if (!written) {
        QCOMPARE(s.prompt.Asked[0], std::string("部材を保存していません。\nこのまま終了しますか？"));
    }
    QCOMPARE(s.Frame().isVisible(), !written);
}

void MainFrameTest::listCommandsDropTheResultOnlyOnAChange_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<bool>("deleteOne");
    QTest::addColumn<int>("resultAfter");
    QTest::newRow("boards, closed at once") << int(kCmdBoards) << "boardsListDialog" << false << 1;
    QTest::newRow("boards, one deleted") << int(kCmdBoards) << "boardsListDialog" << true << 0;
    QTest::newRow("secondary parts, closed at once")
        << int(kCmdSecondaryParts) << "secondaryPartsListDialog" << false << 1;
    QTest::newRow("secondary parts, one deleted")
        << int(kCmdSecondaryParts) << "secondaryPartsListDialog" << true << 0;
}

void MainFrameTest::listCommandsDropTheResultOnlyOnAChange()
{
    QFETCH(int, id);
    QFETCH(QString, dialog);
    QFETCH(bool, deleteOne);
    QFETCH(int, resultAfter);
    Started s;
    QVERIFY(s.app->InitInstance());
    CNestrixDoc& doc = s.app->Doc();
    doc.ResultPresent = 1;
    int resultWhileOpen = -1;
    WhenModal([&](QWidget* list) {
        resultWhileOpen = doc.ResultPresent;
        QCOMPARE(list->objectName(), dialog);
        auto* table = list->findChild<QTableView*>("listTable");
        if (deleteOne) {
            table->selectRow(0);
            QTest::keyClick(table, Qt::Key_Delete);
        }
        QTest::keyClick(table, Qt::Key_Escape);
    });
    s.Frame().CommandAction(id)->trigger();
    QCOMPARE(resultWhileOpen, 0);
    QCOMPARE(doc.ResultPresent, resultAfter);
    QCOMPARE(s.Frame().CommandAction(kCmdResults)->isEnabled(), resultAfter == 1);
    QCOMPARE(doc.Modified, 0);  // only the parts make closing ask
}

// Ctrl+N after a job was opened: no parts, secondary parts, result, file or job name; the board
// list stays, and so does the shop's secondary parts file.
void MainFrameTest::newJobAfterAnOpenedJobStartsEmpty()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    const std::string ybuzai = ReadBytes(s.home.File("YBuzai"));
    const std::string path = s.home.File("yamada.nestrix");
    QVERIFY(WriteYamadaJob(path, 1));
    CMainFrame& frame = s.Frame();
    frame.OpenJob(path);
    CNestrixDoc& doc = s.app->Doc();
    QCOMPARE(doc.JobInfo.JobName, std::string("山田邸"));
    QCOMPARE(doc.BuzaiList.Items.size(), std::size_t(1));
    QVERIFY(frame.windowTitle().contains("山田邸"));

    QAction* newJob = frame.CommandAction(kCmdNewJob);
    QVERIFY(newJob != nullptr);
    QCOMPARE(newJob->shortcut(), QKeySequence(QKeySequence::New));
    newJob->trigger();
    QVERIFY(s.prompt.Asked.empty());  // nothing unsaved
    QVERIFY(doc.BuzaiList.Items.empty());
    QVERIFY(doc.YBuzaiList.Items.empty());
    QCOMPARE(doc.ResultPresent, 0);
    QCOMPARE(doc.JobPath, std::string());
    QCOMPARE(doc.JobInfo.JobName, std::string());
    QCOMPARE(doc.JobInfo.Comment, std::string());
    QCOMPARE(doc.GenbanList.Items.size(), std::size_t(2));
    QCOMPARE(frame.windowTitle(), QString("Nestrix"));

    // A part typed into the new job makes the next 新規 ask; No keeps it.
    doc.BuzaiList.Items.resize(1);
    doc.Modified = 1;
    s.prompt.Answers.push_back(false);
    newJob->trigger();
    QCOMPARE(s.prompt.Asked.size(), std::size_t(1));
    QCOMPARE(s.prompt.Asked[0], std::string(kNewJobQuestion));
    QCOMPARE(doc.BuzaiList.Items.size(), std::size_t(1));
    doc.Modified = 0;
    s.End();
    QCOMPARE(ReadBytes(s.home.File("YBuzai")), ybuzai);
}

// 物件情報 from 保存's menu: a refused text keeps the dialog open on its field; OK takes the
// fields into the job, the title and its file.
void MainFrameTest::jobInfoDialogSetsTheJobsHeader()
{
    Started s;
    QVERIFY(s.app->InitInstance());
    const std::string path = s.home.File("yamada.nestrix");
    QVERIFY(WriteYamadaJob(path, 0));
    CMainFrame& frame = s.Frame();
    frame.OpenJob(path);
    CNestrixDoc& doc = s.app->Doc();
    QCOMPARE(frame.windowTitle(), QString("山田邸 — yamada.nestrix - Nestrix"));

    QAction* info = frame.CommandAction(kCmdJobInfo);
    QVERIFY(info != nullptr);
    QVERIFY(frame.CommandAction(kCmdSaveJob)->menu()->actions().contains(info));
    bool refusedKeptOpen = false;
    WhenModal([&](QWidget* dialog) {
        auto* name = dialog->findChild<QLineEdit*>("jobNameEdit");
        auto* customer = dialog->findChild<QLineEdit*>("customerEdit");
        auto* due = dialog->findChild<QCheckBox*>("dueCheck");
        QVERIFY(name && customer && due);
        QCOMPARE(name->text(), QString("山田邸"));
        QVERIFY(due->isChecked());
        customer->setText("山田工務店\u2764");  // a heart has no Shift-JIS form
        QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        refusedKeptOpen = dialog->isVisible() && dialog->focusWidget() == customer;
        customer->setText("山田工務店");
        due->setChecked(false);
        QTest::mouseClick(dialog->findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    info->trigger();
    QVERIFY(refusedKeptOpen);
    QCOMPARE(s.prompt.Shown.size(), std::size_t(1));
    QVERIFY(s.prompt.Shown[0].find("得意先") != std::string::npos);
    QCOMPARE(doc.JobInfo.Customer, std::string("山田工務店"));
    QCOMPARE(doc.JobInfo.Year, 0);
    QCOMPARE(doc.JobInfo.Comment, std::string("急ぎ"));
    QCOMPARE(frame.windowTitle(), QString("山田邸 — yamada.nestrix * - Nestrix"));

    frame.CommandAction(kCmdSaveJob)->trigger();
    JobDocument read;
    std::string error;
    QVERIFY(ReadJobFile(path, read, error));
    QCOMPARE(read.Info.Customer, std::string("山田工務店"));
    QCOMPARE(read.Info.Year, 0);
    QCOMPARE(frame.windowTitle(), QString("山田邸 — yamada.nestrix - Nestrix"));
    s.End();
}

QTEST_MAIN(MainFrameTest)
#include "MainFrameTest.moc"
