#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/MainFrame.h"
#include "app/NestrixApp.h"
#include "base/Settings.h"
#include "calc/CalHaichi.h"
#include "calc/LayoutRun.h"
#include "calc/SelGenbanDlg.h"
#include "calc/StopDlg.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "fakes/WhenShown.h"
#include "result/RetData.h"
#include "view/Commands.h"

namespace {

void Click(QWidget* window, const char* button)
{
    auto* found = window->findChild<QPushButton*>(button);
    QVERIFY2(found != nullptr, button);
    found->click();
}

// Boards 1820, 2430, 1820 and 910 wide; the first and the last marked for use.
CGenbanList FourBoards()
{
    CGenbanList list;
    const std::int32_t widths[] = {18200, 24300, 18200, 9100};
    for (int i = 0; i < 4; ++i) {
        CGenban board;
        board.Width = widths[i];
        board.Name = "板" + std::to_string(i + 1);
        board.Index = i;
        board.Use = i == 0 || i == 3;
        list.Items.push_back(board);
    }
    return list;
}

std::vector<int> SelectedRows(QTableView* table)
{
    std::vector<int> rows;
    for (const QModelIndex& index : table->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

QString Cell(QTableView* table, int row, int column)
{
    return table->model()->index(row, column).data().toString();
}

// Many part types of one kind on one board size: a calculation that runs for a long while.
void LongJob(CBuzaiList& parts, CGenbanList& boards)
{
    boards.Items.resize(1);
    boards.Items[0].Use = 1;
    std::uint32_t seed = 7;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245u + 12345u;
        CBuzai part;
        part.Width = 300 + static_cast<std::int32_t>(seed % 5000);
        part.Height = 300 + static_cast<std::int32_t>((seed / 5000) % 3000);
        part.Count = 1 + static_cast<std::int32_t>((seed / 7) % 6);
        part.Index = i;
        parts.Items.push_back(part);
    }
}

// The selection dialog on FourBoards, shown.
struct SelDialog {
    CGenbanList list = FourBoards();
    SelGenbanForm form;
    RecordingPrompt prompt;
    CSelGenbanDlg dialog;

    explicit SelDialog(const Settings& settings = {}) : form(list, settings), dialog(form, prompt, QFont())
    {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
    }
    template <class W>
    W* Find(const char* name)
    {
        return dialog.findChild<W*>(name);
    }
};

// A started program in a fresh program folder with a small job in the document.
struct Started {
    TempDir home;
    ScopedEnv env{"NESTRIX_HOME", home.Path()};
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    CNestrixApp app{&prompt, &chooser};

    Started()
    {
        WriteBytes(home.File("Nestrix.ini"), "[SysPara]\r\nMaxCal=1\r\n");
        app.InitInstance();
        prompt.Shown.clear();  // the job files of the first start are missing
        CNestrixDoc& doc = app.Doc();
        doc.GenbanList.Items.resize(1);
        doc.BuzaiList.Items.resize(2);
        doc.BuzaiList.Items[0].Width = 6000;
        doc.BuzaiList.Items[0].Height = 4000;
        doc.BuzaiList.Items[0].Count = 3;
        doc.BuzaiList.Items[1].Index = 1;
        doc.BuzaiList.Items[1].Width = 30000;  // wider than the board: left unplaced
        doc.BuzaiList.Items[1].Count = 2;
        app.MainFrame()->UpdateCommandUI();
    }
    ~Started() { app.ExitInstance(); }
    CMainFrame& Frame() { return *app.MainFrame(); }
};

}  // namespace

class LayoutRunTest : public QObject {
    Q_OBJECT
private slots:
    void headerClicksSortAndKeepTheSelection();
    void enableRulesFollowTheirControls();
    void runRefusesWithoutBoardsAndWithABadKerf();
    void searchCheckSitsWithTheExtraOptionsAndReachesTheForm();
    void selectAllSelectsEveryRowAndFocusesTheList();
    void stopDialogDisablesTheMainWindowUntilAbort();
    void calculationShowsProgressAndFillsTheResult();
    void abortReturnsWithoutResultAndTheWindowEnabled();
    void takeCurrentEndsWithTheBestResultSoFar();
    void layoutCommandStoresTheResultAndOpensTheResults();
    void abortedLayoutCommandKeepsNoResult();
};

void LayoutRunTest::headerClicksSortAndKeepTheSelection()
{
    SelDialog d;
    auto* table = d.Find<QTableView>("boardsTable");
    QCOMPARE(SelectedRows(table), (std::vector<int>{0, 3}));
    QHeaderView* header = table->horizontalHeader();
    const QPoint widthHeader(header->sectionViewportPosition(4) + 5, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, widthHeader);
    QCOMPARE(Cell(table, 0, 4).trimmed(), QString("2430.0"));
    QCOMPARE(Cell(table, 0, 0).trimmed(), QString("2"));
    QCOMPARE(SelectedRows(table), (std::vector<int>{1, 3}));  // boards 1 and 4
    // A row picked by the user survives the next sort.
    table->selectRow(0);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, widthHeader);
    QCOMPARE(Cell(table, 0, 4).trimmed(), QString("910.0"));
    QCOMPARE(SelectedRows(table), (std::vector<int>{3}));  // board 2, now last
}

void LayoutRunTest::enableRulesFollowTheirControls()
{
    Settings settings;
    settings.UseYBuzai = 0;
    settings.CutLV = 2;
    SelDialog d(settings);
    auto* secondary = d.Find<QCheckBox>("useYBuzaiCheck");
    auto* fewerOffcuts = d.Find<QCheckBox>("use2ko1Check");
    auto* mixedBlocks = d.Find<QCheckBox>("useCal3Check");
    auto* method = d.Find<QComboBox>("methodCombo");
    QVERIFY(fewerOffcuts->isEnabled());
    QVERIFY(!mixedBlocks->isEnabled());
    QTest::mouseClick(secondary, Qt::LeftButton, {}, QPoint(5, secondary->height() / 2));
    QVERIFY(!fewerOffcuts->isEnabled());
    method->setCurrentIndex(3);
    QVERIFY(mixedBlocks->isEnabled());
    QCOMPARE(method->currentText(), QString("ブロック"));
    method->setCurrentIndex(0);
    QVERIFY(!mixedBlocks->isEnabled());
    secondary->click();
    QVERIFY(fewerOffcuts->isEnabled());
}

void LayoutRunTest::searchCheckSitsWithTheExtraOptionsAndReachesTheForm()
{
    for (const int start : {0, 1}) {
        Settings settings;
        settings.UseSearch = start;
        SelDialog d(settings);
        auto* search = d.Find<QCheckBox>("useSearchCheck");
        QVERIFY(search);
        QCOMPARE(search->text(), QString("さらに探索する（時間がかかります）"));
        auto* group = qobject_cast<QGroupBox*>(search->parentWidget());
        QVERIFY(group);
        QCOMPARE(group->title(), QString("追加計算"));
        QCOMPARE(search->isChecked(), start == 1);
        QVERIFY(search->isEnabled());
        // The space bar on the focused box flips it; 配置実行 hands it to the form.
        search->setFocus();
        QTest::keyClick(search, Qt::Key_Space);
        QCOMPARE(search->isChecked(), start == 0);
        Click(&d.dialog, "runButton");
        QCOMPARE(d.form.UseSearch, start == 0 ? 1 : 0);
    }
}

void LayoutRunTest::runRefusesWithoutBoardsAndWithABadKerf()
{
    SelDialog d;
    auto* table = d.Find<QTableView>("boardsTable");
    table->clearSelection();
    Click(&d.dialog, "runButton");
    QCOMPARE(d.prompt.Shown, std::vector<std::string>{"利用する原板が選択されていません"});
    QVERIFY(d.dialog.isVisible());

    table->selectRow(1);
    d.Find<QLineEdit>("kerfEdit")->setText("3x");  // the leading number counts
    auto* limit = d.Find<QLineEdit>("cutLimitEdit");
    limit->setText("abc");
    Click(&d.dialog, "runButton");
    QCOMPARE(d.prompt.Shown.back(), std::string("数値を入力してください。"));
    QVERIFY(d.dialog.isVisible());
    QCOMPARE(limit->selectedText(), QString("abc"));

    limit->setText("2400");
    Click(&d.dialog, "runButton");
    QCOMPARE(d.dialog.result(), int(QDialog::Accepted));
    Settings stored;
    d.form.StoreInto(stored);
    QCOMPARE(stored.NokoHaba, 30);
    QCOMPARE(stored.MaxCutSize, 24000);
    QCOMPARE(d.list.Items[1].Use, 1);
    QCOMPARE(d.list.Items[0].Use, 0);
}

void LayoutRunTest::selectAllSelectsEveryRowAndFocusesTheList()
{
    SelDialog d;
    auto* selectAll = d.Find<QPushButton>("selectAllButton");
    selectAll->setFocus();
    selectAll->click();
    QCOMPARE(SelectedRows(d.Find<QTableView>("boardsTable")), (std::vector<int>{0, 1, 2, 3}));
    QVERIFY(d.Find<QTableView>("boardsTable")->hasFocus());
    QVERIFY(d.Find<QPushButton>("kerfCalculatorButton") != nullptr);
    QVERIFY(d.Find<QPushButton>("cutLimitCalculatorButton") != nullptr);
}

void LayoutRunTest::stopDialogDisablesTheMainWindowUntilAbort()
{
    QWidget main;
    main.show();
    {
        CStopDlg stop(&main);
        stop.show();
        QVERIFY(!main.isEnabled());
        QVERIFY(stop.isEnabled());
        QCOMPARE(stop.Aborted(), 0);
        QVERIFY(!main.close());  // not while the engines run
        QVERIFY(main.isVisible());
        // Enter, also on the focused 中断 button, does not stop the run.
        for (QWidget* target : {static_cast<QWidget*>(&stop),
                                static_cast<QWidget*>(stop.findChild<QPushButton*>("abortButton"))}) {
            target->setFocus();
            QTest::keyClick(target, Qt::Key_Return);
            QTest::keyClick(target, Qt::Key_Enter);
            QCOMPARE(stop.Aborted(), 0);
            QVERIFY(stop.isVisible());
        }
        QTest::keyClick(&stop, Qt::Key_Escape);  // the cancel button's key: 中断
        QCOMPARE(stop.Aborted(), 1);
        QVERIFY(!stop.isVisible());
        QVERIFY(main.isEnabled());
    }
    // A window that was disabled before is left disabled.
    main.setEnabled(false);
    {
        CStopDlg stop(&main);
    }
    QVERIFY(!main.isEnabled());
}

void LayoutRunTest::calculationShowsProgressAndFillsTheResult()
{
    QWidget main;
    main.show();
    CBuzaiList parts, secondary;
    CGenbanList boards;
    boards.Items.resize(1);
    boards.Items[0].Use = 1;
    parts.Items.resize(1);
    parts.Items[0].Count = 5;
    Settings settings;
    settings.TimeDisp = 1;
    bool disabledWhileShown = false;
    QString firstText;
    WhenShown("stopDialog", [&](QWidget* stop) {
        disabledWhileShown = !main.isEnabled();
        firstText = stop->findChild<QLabel*>("progressText")->text();
    });
    CRetData ret;
    RecordingPrompt prompt;
    const LayoutRunEnd end =
        CalculateLayout(parts, secondary, boards, settings, MakeEngine, ret, prompt, &main);
    QCOMPARE(int(end.Outcome), int(CalcRun::Outcome::Placed));
    QVERIFY(!ret.Layouts.empty());
    QVERIFY(main.isEnabled());
    QVERIFY(prompt.Shown.empty());
    QCOMPARE(end.Messages.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(end.Messages[0]).startsWith("処理時間 "));
    if (!firstText.isEmpty()) {  // a quick job may end before the first poll of the test's timer
        QVERIFY(disabledWhileShown);
        QVERIFY(firstText.startsWith("進行度 "));
    }
}

void LayoutRunTest::abortReturnsWithoutResultAndTheWindowEnabled()
{
    QWidget main;
    main.show();
    CBuzaiList parts, secondary;
    CGenbanList boards;
    LongJob(parts, boards);
    Settings settings;
    settings.MaxCalNum = 2;
    bool enabledAtOnce = false;
    int percentShown = -1;
    WhenShown("stopDialog", [&](QWidget* stop) {
        QTimer::singleShot(300, stop, [&, stop] {
            percentShown = stop->findChild<QProgressBar*>("progressBar")->value();
            Click(stop, "abortButton");
            enabledAtOnce = main.isEnabled() && !stop->isVisible();
        });
    });
    CRetData ret;
    RecordingPrompt prompt;
    const LayoutRunEnd end =
        CalculateLayout(parts, secondary, boards, settings, MakeEngine, ret, prompt, &main);
    QCOMPARE(int(end.Outcome), int(CalcRun::Outcome::Aborted));
    QVERIFY(enabledAtOnce);
    QVERIFY(percentShown >= 0 && percentShown < 100);
    QVERIFY(ret.Layouts.empty());
    QVERIFY(ret.Unplaced.empty());
    QVERIFY(end.Messages.empty());
    QVERIFY(prompt.Shown.empty());
    QVERIFY(main.isEnabled());
}

void LayoutRunTest::takeCurrentEndsWithTheBestResultSoFar()
{
    QWidget main;
    main.show();
    CBuzaiList parts, secondary;
    CGenbanList boards;
    LongJob(parts, boards);
    Settings settings;
    settings.MaxCalNum = 2;
    bool disabledAtFirst = false;
    QString best;
    WhenShown("stopDialog", [&](QWidget* stop) {
        auto* take = stop->findChild<QPushButton*>("takeCurrentButton");
        disabledAtFirst = take != nullptr && !take->isEnabled();
        auto* timer = new QTimer(stop);
        QObject::connect(timer, &QTimer::timeout, stop, [&, stop, take, timer] {
            if (take->isEnabled()) {
                timer->stop();
                best = stop->findChild<QLabel*>("bestSoFar")->text();
                take->click();
            }
        });
        timer->start(10);
    });
    CRetData ret;
    RecordingPrompt prompt;
    const LayoutRunEnd end =
        CalculateLayout(parts, secondary, boards, settings, MakeEngine, ret, prompt, &main);
    QCOMPARE(int(end.Outcome), int(CalcRun::Outcome::Placed));
    QVERIFY(disabledAtFirst);
    QVERIFY2(best.startsWith("現在の最良 原板 "), qPrintable(best));
    QVERIFY(ret.StoppedEarly);
    // Every piece is on a board or listed as left over.
    std::vector<std::int64_t> pieces(parts.Items.size(), 0);
    for (const COutData& layout : ret.Layouts) {
        for (const CAL_BUZAI& entry : layout.Summary) {
            pieces.at(static_cast<std::size_t>(entry.Number)) += std::int64_t{entry.Count} * layout.Repeat;
        }
    }
    for (const CAL_BUZAI& entry : ret.Unplaced) {
        pieces.at(static_cast<std::size_t>(entry.Number)) += entry.Count;
    }
    for (std::size_t i = 0; i < parts.Items.size(); ++i) {
        QCOMPARE(pieces[i], std::int64_t{parts.Items[i].Count});
    }
    QVERIFY(main.isEnabled());
}

void LayoutRunTest::layoutCommandStoresTheResultAndOpensTheResults()
{
    Started s;
    QString yield;
    int selectedBoards = -1;
    bool commandsFollowed = false;
    WhenShown("selGenbanDialog", [&](QWidget* dialog) {
        selectedBoards = static_cast<int>(SelectedRows(dialog->findChild<QTableView*>("boardsTable")).size());
        Click(dialog, "selectAllButton");
        Click(dialog, "runButton");
    });
    WhenShown("retDialog", [&](QWidget* dialog) {
        yield = dialog->findChild<QLabel*>("yieldText")->text();
        commandsFollowed = s.Frame().CommandAction(kCmdCutData)->isEnabled();
        Click(dialog, "closeButton");
    });
    s.Frame().CommandAction(kCmdLayout)->trigger();
    QCOMPARE(selectedBoards, 0);  // a fresh board is not marked for use
    CNestrixDoc& doc = s.app.Doc();
    QCOMPARE(doc.ResultPresent, 1);
    QCOMPARE(doc.CurrentBoard, 0);
    QCOMPARE(doc.RetData.Unplaced.size(), std::size_t(1));
    QVERIFY(yield.startsWith("歩留まり  "));
    QVERIFY(commandsFollowed);  // the tool bar follows the new result before 配置結果 opens
    QVERIFY(s.Frame().isEnabled());
    QVERIFY(s.Frame().CommandAction(kCmdResults)->isEnabled());
    QVERIFY(s.Frame().CommandAction(kCmdCutData)->isEnabled());
    QVERIFY(s.prompt.Shown.empty());

    // 配置結果 shows it again.
    bool shown = false;
    WhenShown("retDialog", [&](QWidget* dialog) {
        shown = true;
        Click(dialog, "closeButton");
    });
    s.Frame().CommandAction(kCmdResults)->trigger();
    QVERIFY(shown);
}

void LayoutRunTest::abortedLayoutCommandKeepsNoResult()
{
    Started s;
    CNestrixDoc& doc = s.app.Doc();
    doc.BuzaiList.Items.clear();
    doc.GenbanList.Items.clear();
    LongJob(doc.BuzaiList, doc.GenbanList);
    doc.ResultPresent = 1;  // a result from before goes when the next calculation starts
    bool resultsShown = false;
    WhenShown("selGenbanDialog", [&](QWidget* dialog) { Click(dialog, "runButton"); });
    WhenShown("stopDialog",
              [&](QWidget* stop) { QTimer::singleShot(200, stop, [stop] { Click(stop, "abortButton"); }); });
    WhenShown("retDialog", [&](QWidget* dialog) {
        resultsShown = true;
        dialog->close();
    });
    s.Frame().CommandAction(kCmdLayout)->trigger();
    QCOMPARE(doc.ResultPresent, 0);
    QVERIFY(doc.RetData.Layouts.empty());
    QVERIFY(s.Frame().isEnabled());
    QVERIFY(!s.Frame().CommandAction(kCmdResults)->isEnabled());
    QVERIFY(s.prompt.Shown.empty());
    QTest::qWait(50);
    QVERIFY(!resultsShown);
}

QTEST_MAIN(LayoutRunTest)
#include "LayoutRunTest.moc"
