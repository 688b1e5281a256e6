#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QMenu>
#include <QtTest>
#include <filesystem>

#include "app/MainFrame.h"
#include "app/NestrixApp.h"
#include "base/ProgramFolder.h"
#include "calc/CalHaichi.h"
#include "calc/CalcRun.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "fakes/WhenShown.h"
#include "exchange/DxfExport.h"
#include "result/JobFile.h"
#include "result/Offcuts.h"
#include "result/PlanChoice.h"
#include "result/ResultJson.h"
#include "view/Commands.h"
#include "view/NestrixView.h"

namespace {

// The desktop program started in a fresh program folder, ended with the test.
struct Desktop {
    TempDir home;
    ScopedEnv env{"NESTRIX_HOME", home.Path()};
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    CNestrixApp app{&prompt, &chooser};
    ~Desktop() { app.ExitInstance(); }
};

// The desktop program with the example kitchen job laid out, the result handed to the view
// the way the layout command hands it over.
struct LaidOut : Desktop {
    bool Start()
    {
        if (!app.InitInstance()) {
            return false;
        }
        CNestrixDoc& doc = app.Doc();
        const std::string example = NESTRIX_EXAMPLE_JOB;
        Settings& settings = app.AppSettings();
        settings.UseYBuzai = 1;
        if (!doc.GenbanList.Read(example + "/boards.csv", settings, prompt) ||
            !doc.BuzaiList.Read(example + "/parts.csv", settings, prompt) ||
            !doc.YBuzaiList.Read(example + "/secondary.csv", settings, prompt)) {
            return false;
        }
        for (CGenban& board : doc.GenbanList.Items) {
            board.Use = 1;
        }
        if (!doc.PrepareCutSizes(settings).empty()) {
            return false;
        }
        CalcRun run(doc.ResultParts, doc.ResultSecondary, doc.GenbanList, settings, MakeEngine);
        if (run.RunToEnd(doc.RetData, prompt, [](CalcRun&) { return false; }) != CalcRun::Outcome::Placed) {
            return false;
        }
        doc.ResultPresent = 1;
        doc.KeepCalculation(settings);
        app.MainFrame()->View()->OnNewResult();
        return true;
    }
    QString Pane(int n) const
    {
        return app.MainFrame()->findChild<QLabel*>(QString("statusPane%1").arg(n))->text();
    }
};

}  // namespace

class ResultFrameTest : public QObject {
    Q_OBJECT
private slots:
    void statusBarFollowsTheCurrentBoard();
    void aJobOpensWithItsResultAndSavesUnderANewName();
    void anOpenedJobCalculatesAgainWithItsOwnOptions();
    void stockUpdateFromTheToolBarAndCtrlZ();
    void aFirstStartLaysTheExampleOutWithItsOwnBoards();
    void dxfAndExcelUnderTheArrowOfCutData();
    void aPlanWithFewerCutsTakenInTheResultDialog();
};

void ResultFrameTest::statusBarFollowsTheCurrentBoard()
{
    LaidOut s;
    QVERIFY(s.Start());
    CNestrixView* view = s.app.MainFrame()->View();
    QVERIFY(QTest::qWaitForWindowExposed(s.app.MainFrame()));
    const CNestrixDoc& doc = s.app.Doc();
    const int boards = static_cast<int>(doc.RetData.Layouts.size());
    QVERIFY(boards > 1);
    QCOMPARE(view->State().ListScreen, 1);

    const QString count = QString::number(boards).rightJustified(5);
    QCOMPARE(s.Pane(3), "    1/" + count);
    QVERIFY(s.Pane(1).contains("(歩留="));
    QCOMPARE(s.Pane(2), QString("枚数 %1").arg(doc.RetData.Layouts[0].Repeat));

    view->setFocus();
    QTest::keyClick(view, Qt::Key_End);  // not a board key: nothing moves
    QTest::keyClick(view, Qt::Key_Right);
    QCOMPARE(s.Pane(3), "    2/" + count);
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(view->State().ListScreen, 0);
    QCOMPARE(s.Pane(3), "    2/" + count);
}

// Ctrl+O on the example job: the result is there at once (no calculation), the title names the
// job, the result commands work; Ctrl+Shift+S writes the same job elsewhere.
void ResultFrameTest::aJobOpensWithItsResultAndSavesUnderANewName()
{
    Desktop d;
    QVERIFY(d.app.InitInstance());
    CNestrixApp& app = d.app;
    RecordingPrompt& prompt = d.prompt;
    RecordingFileChooser& chooser = d.chooser;
    const TempDir& home = d.home;
    CMainFrame& frame = *app.MainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    QCOMPARE(frame.windowTitle(), QString("Nestrix"));
    QVERIFY(!frame.CommandAction(kCmdSaveJob)->isEnabled());
    const std::string example = std::string(NESTRIX_EXAMPLE_JOB) + "/kitchen.nestrix";
    chooser.Files = {example};
    prompt.Answers = {true};
    QVERIFY(!frame.CommandAction(kCmdLayout)->isEnabled());
    QTest::keyClick(&frame, Qt::Key_O, Qt::ControlModifier);
    // A first start: the job's boards are offered to the empty board list, and taken.
    QCOMPARE(prompt.Shown, prompt.Asked);
    QCOMPARE(prompt.Asked.size(), std::size_t(1));
    QVERIFY(prompt.Asked[0].rfind("この物件の原板 7 件が原板リストにありません。\n原板「シナ合板 3x6」 1820.0×910.0 厚さ 18.0\n", 0) == 0);
    prompt.Shown.clear();
    prompt.Asked.clear();
    const CNestrixDoc& doc = app.Doc();
    QCOMPARE(doc.GenbanList.Items.size(), std::size_t(7));
    QVERIFY(frame.CommandAction(kCmdLayout)->isEnabled());
    QCOMPARE(doc.ResultPresent, 1);
    QCOMPARE(frame.windowTitle(), QString("キッチン — kitchen.nestrix - Nestrix"));
    QCOMPARE(frame.View()->State().ListScreen, 1);
    for (const int id : {kCmdResults, kCmdCutData, kCmdPrintBoardInfo, kCmdPrintCutSheets, kCmdSaveJob}) {
        QVERIFY(frame.CommandAction(id)->isEnabled());
    }
    QVERIFY(frame.findChild<QLabel*>("statusPane1")->text().contains("(歩留="));
    QCOMPARE(app.AppSettings().RecentJobs, std::vector<std::string>{example});
    JobDocument shipped;
    std::string error;
    QVERIFY(ReadJobFile(example, shipped, error));
    QCOMPARE(ResultToJson(doc.RetData), ResultToJson(shipped.Result));

    const std::string copy = home.File("copy.nestrix");
    chooser.Files = {copy};
    QTest::keyClick(&frame, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(prompt.Asked.empty());
    QCOMPARE(chooser.Requests.back().Kind, std::string("save"));
    QCOMPARE(chooser.Requests.back().Options.FileName, std::string("kitchen.nestrix"));
    JobDocument saved;
    QVERIFY2(ReadJobFile(copy, saved, error), error.c_str());
    saved.Program = shipped.Program;  // the version that wrote it
    QCOMPARE(JobToJson(saved), JobToJson(shipped));
    QCOMPARE(doc.JobPath, copy);
    QCOMPARE(app.AppSettings().RecentJobs.front(), copy);
}

// 配置 on an opened job offers the job's run options (not the program's), and with an unchanged
// board list it gives the job's result again; the job then counts as unchanged.
void ResultFrameTest::anOpenedJobCalculatesAgainWithItsOwnOptions()
{
    Desktop d;
    QVERIFY(d.app.InitInstance());
    CNestrixApp& app = d.app;
    RecordingPrompt& prompt = d.prompt;
    CMainFrame& frame = *app.MainFrame();
    CNestrixDoc& doc = app.Doc();
    Settings& settings = app.AppSettings();
    const std::string example = NESTRIX_EXAMPLE_JOB;
    QVERIFY(doc.GenbanList.Read(example + "/boards.csv", settings, prompt));
    settings.NokoHaba = 50;
    settings.UseYBuzai = 0;
    frame.OpenJob(example + "/kitchen.nestrix");
    QCOMPARE(doc.ResultPresent, 1);
    const std::string stored = ResultToJson(doc.RetData);

    QString kerf;
    int selected = -1;
    WhenShown("selGenbanDialog", [&](QWidget* dialog) {
        kerf = dialog->findChild<QLineEdit*>("kerfEdit")->text();
        selected = int(dialog->findChild<QTableView*>("boardsTable")->selectionModel()->selectedRows().size());
        dialog->findChild<QPushButton*>("runButton")->click();
    });
    WhenShown("retDialog", [](QWidget* dialog) { dialog->close(); });
    frame.CommandAction(kCmdLayout)->trigger();
    QCOMPARE(kerf, QString("3"));  // the job's 3 mm, not the program's 5
    QCOMPARE(selected, int(doc.GenbanList.Items.size()));
    QCOMPARE(doc.ResultPresent, 1);
    QCOMPARE(ResultToJson(doc.RetData), stored);
    QCOMPARE(settings.NokoHaba, 30);  // the options run with become the program's, as after any run
    QCOMPARE(frame.windowTitle(), QString("キッチン — kitchen.nestrix - Nestrix"));
    QVERIFY2(prompt.Shown.empty(), prompt.Shown.empty() ? "" : prompt.Shown[0].c_str());
}

// The example on a first start, laid out again with the job's own boards: the same result, and
// the shop's (empty) board list and its file untouched.
void ResultFrameTest::aFirstStartLaysTheExampleOutWithItsOwnBoards()
{
    Desktop d;
    QVERIFY(d.app.InitInstance());
    CMainFrame& frame = *d.app.MainFrame();
    CNestrixDoc& doc = d.app.Doc();
    const std::string genban = d.home.File("Genban");
    d.prompt.Choices = {1};
    frame.OpenJob(std::string(NESTRIX_EXAMPLE_JOB) + "/kitchen.nestrix");
    QCOMPARE(d.prompt.Asked.size(), std::size_t(1));
    QVERIFY(doc.LayoutWithJobBoards);
    QVERIFY(doc.GenbanList.Items.empty());
    QAction* layout = frame.CommandAction(kCmdLayout);
    QVERIFY(layout->isEnabled());
    QVERIFY(layout->statusTip().contains("この物件の原板で配置します"));
    const std::string stored = ResultToJson(doc.RetData);

    int offered = -1;
    WhenShown("selGenbanDialog", [&](QWidget* dialog) {
        offered = int(dialog->findChild<QTableView*>("boardsTable")->model()->rowCount());
        dialog->findChild<QPushButton*>("runButton")->click();
    });
    WhenShown("retDialog", [](QWidget* dialog) { dialog->close(); });
    layout->trigger();
    QCOMPARE(offered, 7);
    QCOMPARE(doc.ResultPresent, 1);
    QCOMPARE(ResultToJson(doc.RetData), stored);
    QVERIFY(doc.GenbanList.Items.empty());
    d.app.Session.SaveChanges(d.prompt);
    CGenbanList written;
    QVERIFY(!std::filesystem::exists(genban) || written.Read(genban, d.app.AppSettings(), d.prompt));
    QVERIFY(written.Items.empty());
}

void ResultFrameTest::stockUpdateFromTheToolBarAndCtrlZ()
{
    LaidOut s;
    QVERIFY(s.Start());
    CMainFrame* frame = s.app.MainFrame();
    QVERIFY(QTest::qWaitForWindowExposed(frame));
    s.app.Session.SaveChanges(s.prompt);  // "Genban" as the kitchen's boards
    const std::string genban = s.home.File(kBoardsListFileName);
    const std::string before = ReadBytes(genban);
    frame->UpdateCommandUI();
    QAction* stock = frame->CommandAction(kCmdStock);
    QVERIFY(stock->isEnabled());
    QVERIFY(!frame->CommandAction(kCmdStockUndo)->isEnabled());

    // 在庫反映: asked, answered yes, written by the command's save; then only 取り消し is left.
    s.prompt.Answers = {true};
    stock->trigger();
    QCOMPARE(s.prompt.Asked.size(), std::size_t(1));
    QVERIFY(s.prompt.Asked[0].find("端材 ") != std::string::npos);
    const std::string applied = ReadBytes(genban);
    QVERIFY(applied != before);
    QVERIFY(frame->CommandAction(kCmdStockUndo)->isEnabled());

    // Ctrl+Z in the window, answered yes: the file as it was, byte for byte.
    s.prompt.Answers = {true};
    frame->activateWindow();
    QTest::keyClick(frame->View(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(s.prompt.Asked.size(), std::size_t(2));
    QCOMPARE(ReadBytes(genban), before);
    QVERIFY(!frame->CommandAction(kCmdStockUndo)->isEnabled());
}

// DXF出力 and Excel出力 under the arrow of 切断データ: enabled with a result only, each asks for
// its place (folder, save dialog) and writes the document's result with its settings there; a
// cancelled dialog writes nothing.
void ResultFrameTest::dxfAndExcelUnderTheArrowOfCutData()
{
    LaidOut s;
    QVERIFY(s.Start());
    CMainFrame* frame = s.app.MainFrame();
    frame->UpdateCommandUI();
    QToolButton* cutData = nullptr;
    for (QToolButton* button : frame->findChildren<QToolButton*>()) {
        if (button->defaultAction() == frame->CommandAction(kCmdCutData)) {
            cutData = button;
        }
    }
    QVERIFY(cutData != nullptr);
    QCOMPARE(cutData->popupMode(), QToolButton::MenuButtonPopup);
    QAction* dxf = frame->findChild<QAction*>("dxfOutputAction");
    QAction* xlsx = frame->findChild<QAction*>("xlsxOutputAction");
    QVERIFY(dxf && xlsx);
    const QMenu* menu = cutData->defaultAction()->menu<QMenu*>();
    QVERIFY(menu && menu->actions().contains(dxf) && menu->actions().contains(xlsx));
    QVERIFY(dxf->isEnabled() && xlsx->isEnabled());
    QCOMPARE(dxf->text(), QString("DXF出力..."));
    QCOMPARE(xlsx->text(), QString("Excel出力..."));

    // Cancelled: nothing asked of the prompt, nothing written.
    dxf->trigger();
    xlsx->trigger();
    QCOMPARE(s.chooser.Requests.size(), std::size_t(2));
    QCOMPARE(s.chooser.Requests[0].Kind, std::string("folder"));
    QCOMPARE(s.chooser.Requests[1].Kind, std::string("save"));
    QCOMPARE(s.chooser.Requests[1].Options.Filter, std::string("Excel ブック (*.xlsx)|*.xlsx||"));
    QCOMPARE(s.chooser.Requests[1].Options.FileName, std::string("配置結果.xlsx"));

    TempDir out;
    s.chooser.Files = {out.Path(), out.File("result.xlsx")};
    dxf->trigger();
    xlsx->trigger();
    QVERIFY2(s.prompt.Shown.empty(), s.prompt.Shown.empty() ? "" : s.prompt.Shown[0].c_str());
    const CNestrixDoc& doc = s.app.Doc();
    const Settings options = doc.ResultSettings(s.app.AppSettings());
    std::vector<NamedBytes> expected;
    std::string error;
    QVERIFY(PatternDxfFiles({{doc.RetData, doc.BuzaiList, doc.YBuzaiList, doc.ResultBoards},
                             options.NokoHaba,
                             MinOffcut(options)},
                            {}, expected, error));
    QCOMPARE(expected.size(), doc.RetData.Layouts.size());
    for (const NamedBytes& file : expected) {
        QVERIFY2(ReadBytes(out.File(file.Name)) == file.Bytes, file.Name.c_str());
    }
    QCOMPARE(ReadBytes(out.File("result.xlsx")).substr(0, 2), std::string("PK"));  // a zip, as a workbook is

    // No result: both disabled.
    Desktop empty;
    QVERIFY(empty.app.InitInstance());
    empty.app.MainFrame()->UpdateCommandUI();
    QVERIFY(!empty.app.MainFrame()->findChild<QAction*>("dxfOutputAction")->isEnabled());
    QVERIFY(!empty.app.MainFrame()->findChild<QAction*>("xlsxOutputAction")->isEnabled());
}

QTEST_MAIN(ResultFrameTest)
#include "ResultFrameTest.moc"

// 配置結果 after a calculation compares the plans; 採用 of the one with fewer cuts makes it the
// result and shows the dialog again with it marked.
void ResultFrameTest::aPlanWithFewerCutsTakenInTheResultDialog()
{
    Desktop d;
    QVERIFY(d.app.InitInstance());
    CMainFrame& frame = *d.app.MainFrame();
    CNestrixDoc& doc = d.app.Doc();
    d.prompt.Choices = {1};
    frame.OpenJob(std::string(NESTRIX_EXAMPLE_JOB) + "/kitchen.nestrix");
    QVERIFY(doc.ResultPlans() == nullptr);  // an opened result has no plans
    const std::string stored = ResultToJson(doc.RetData);

    WhenShown("selGenbanDialog",
              [](QWidget* dialog) { dialog->findChild<QPushButton*>("runButton")->click(); });
    QStringList first, second;
    WhenShown("retDialog", [&](QWidget* dialog) {
        auto* table = dialog->findChild<QTableView*>("plansTable");
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            first << table->model()->index(row, 0).data().toString() +
                         table->model()->index(row, 1).data().toString();
        }
        WhenShown("retDialog", [&](QWidget* again) {
            auto* shown = again->findChild<QTableView*>("plansTable");
            for (int row = 0; row < shown->model()->rowCount(); ++row) {
                second << shown->model()->index(row, 0).data().toString() +
                              shown->model()->index(row, 1).data().toString();
            }
            again->close();
        });
        table->selectRow(1);
        dialog->findChild<QPushButton*>("takePlanButton")->click();
    });
    frame.CommandAction(kCmdLayout)->trigger();
    QCOMPARE(first, QStringList({"●最安", "切断最少"}));
    QCOMPARE(second, QStringList({"最安", "●切断最少"}));
    QCOMPARE(doc.ResultPresent, 1);
    QCOMPARE(doc.ChosenPlan(), std::size_t(1));
    const std::vector<ResultPlan>* plans = doc.ResultPlans();
    QVERIFY(plans != nullptr);
    QVERIFY(SameLayouts(doc.RetData, (*plans)[1].Ret));
    QVERIFY(!SameLayouts(doc.RetData, (*plans)[0].Ret));
    QCOMPARE(ResultToJson((*plans)[0].Ret), stored);  // the cheapest is the run's result as before
    QVERIFY((*plans)[1].Figures.Cuts < (*plans)[0].Figures.Cuts);
    QVERIFY(doc.RetData.BuzaiList == &doc.ResultParts);
    const Settings run = doc.ResultSettings(d.app.AppSettings());
    QVERIFY(SawingFits(doc.RetData, run.NokoHaba, MinOffcut(run)));  // its outputs read its own plan

    // A result that is no longer the chosen plan (replaced by another way) has no plans.
    const CRetData chosen = doc.RetData;
    doc.RetData = (*plans)[0].Ret;
    QVERIFY(doc.ResultPlans() == nullptr);
    doc.RetData = chosen;
    QVERIFY(doc.ResultPlans() != nullptr);
    // After 在庫反映 the result stays the one applied.
    doc.StockApplied = true;
    QVERIFY(!doc.ChoosePlan(0));
    QVERIFY(SameLayouts(doc.RetData, (*plans)[1].Ret));
    // A new job ends the plans.
    doc.StockApplied = false;
    doc.NewJob();
    QVERIFY(doc.ResultPlans() == nullptr);
    QVERIFY(!doc.ChoosePlan(0));
}
