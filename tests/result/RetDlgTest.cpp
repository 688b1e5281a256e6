#include <QApplication>
#include <QCalendarWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "base/Settings.h"
#include "base/TextCodec.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/TempDir.h"
#include "fakes/WhenShown.h"
#include "job/Buzai.h"
#include "job/Genban.h"
#include "result/CutDataDlg.h"
#include "result/Offcuts.h"
#include "result/RetData.h"
#include "result/RetDlg.h"

namespace {

// Board 合板 cut 3 times; 8 pieces of the secondary part 小物 placed, 2 doors left unplaced.
struct KnownResult {
    CBuzaiList Buzai;
    CBuzaiList YBuzai;
    CGenbanList Genban;
    CRetData Ret;

    // Planned with the kerf and smallest offcut the result is read with.
    explicit KnownResult(std::int32_t kerf = Settings().NokoHaba, OffcutSize least = MinOffcut(Settings()))
    {
        Buzai.Items.resize(2);
        Buzai.Items[0].Name = "棚板";
        Buzai.Items[0].Width = 6000;
        Buzai.Items[0].Height = 3000;
        Buzai.Items[1].Name = "扉";
        Buzai.Items[1].Width = 4000;
        Buzai.Items[1].Height = 7000;
        Buzai.Items[1].Thickness = 180;
        Buzai.Items[1].Count = 5;
        Buzai.Items[1].NoTurn = 1;
        Buzai.Items[1].Remark = "木目";
        YBuzai.IsSecondary = 1;
        YBuzai.Items.resize(1);
        YBuzai.Items[0].Name = "小物";
        Genban.Items.resize(1);
        Genban.Items[0].Name = "合板";
        Genban.Items[0].Width = 18200;
        Genban.Items[0].Height = 9100;
        Genban.Items[0].Price = 3000;
        Genban.Items[0].TrimTop = 50;
        Ret.BuzaiList = &Buzai;
        Ret.YBuzaiList = &YBuzai;
        Ret.GenbanList = &Genban;
        COutData layout;
        layout.Repeat = 3;
        layout.Blocks = {{0, 0, 0, 50, 3, 1, 0}};
        Ret.Layouts.push_back(layout);
        Ret.UsedBoards = {{0, 3}};
        Ret.PlacedSecondary = {{0, 8, 1}};
        Ret.Unplaced = {{1, 2, 0}};
        Ret.BoardArea = 1000.0;
        Ret.PartsArea = 500.0;
        Ret.TotalArea = 625.0;
        Ret.TotalPrice = 9000;
        Ret.PartsPrice = 4500.4;
        Ret.TotalPiecesPrice = 5000.0;
        PlanSawing(Ret, Buzai, YBuzai, Genban, kerf, least);
    }
};

QString Cell(const QWidget& dialog, const char* table, int row, int column)
{
    return dialog.findChild<QTableView*>(table)->model()->index(row, column).data().toString();
}

std::string FileText(const std::string& path)
{
    std::string text;
    Cp932ToUtf8(ReadBytes(path), text);
    return text;
}

}  // namespace

class RetDlgTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheListsAndTheSummaryOfAResult();
    void fileOutputWritesTheUnplacedParts();
    void fileOutputWithoutUnplacedPartsWritesTheHeaderOnly();
    void cutDataDialogStartsTodayAndRefusesTextsTheFileCannotHold();
    void cutDataGoesToTheChosenFileWithTheProposedName();
    void cancelledCutDataDialogWritesNothing();
};

void RetDlgTest::showsTheListsAndTheSummaryOfAResult()
{
    const KnownResult r;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    CRetDlg dialog(r.Ret, settings, prompt, chooser, QFont());
    QCOMPARE(dialog.windowTitle(), QString("配置結果"));
    const char* boards = "usedBoardsTable";
    QCOMPARE(dialog.findChild<QTableView*>(boards)->model()->rowCount(), 1);
    const std::pair<int, QString> boardCells[] = {{0, "  1"},     {1, "合板"},    {3, "   3"},
                                                  {4, " 1820.0"}, {5, "  910.0"}, {7, "  3000"},
                                                  {8, " 標準"},   {9, "    5.0"}};
    for (const auto& [column, text] : boardCells) {
        QCOMPARE(Cell(dialog, boards, 0, column), text);
    }
    QCOMPARE(Cell(dialog, "placedSecondaryTable", 0, 1), QString("小物"));
    QCOMPARE(Cell(dialog, "placedSecondaryTable", 0, 3), QString("   8"));
    const std::pair<int, QString> unplacedCells[] = {{0, "  2"},     {1, "扉"},      {3, "   2"},
                                                     {4, "  400.0"}, {5, "  700.0"}, {6, "  18.0"},
                                                     {7, "不"},      {8, "木目"}};
    for (const auto& [column, text] : unplacedCells) {
        QCOMPARE(Cell(dialog, "unplacedTable", 0, column), text);
    }
    QCOMPARE(dialog.findChild<QLabel*>("yieldText")->text(), QString("歩留まり   50.0%( 62.5%)"));
    QCOMPARE(dialog.findChild<QLabel*>("boardCostText")->text(), QString("使用原板合計金額     9,000円"));
    QCOMPARE(dialog.findChild<QLabel*>("partsCostText")->text(),
             QString("部材部分金額         4,500円(    5,000円)"));
    // At its first size the used boards of a typical job (12) are seen without scrolling.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* used = dialog.findChild<QTableView*>(boards);
    QVERIFY2(used->viewport()->height() >= 12 * used->verticalHeader()->defaultSectionSize(),
             qPrintable(QString("%1 < 12 x %2, scroll bar %3").arg(used->viewport()->height())
                            .arg(used->verticalHeader()->defaultSectionSize())
                            .arg(used->horizontalScrollBar()->isVisible())));
}

void RetDlgTest::fileOutputWritesTheUnplacedParts()
{
    const KnownResult r;
    TempDir dir;
    Settings settings;
    settings.BuzaiFol = dir.Path();
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    chooser.Files.push_back(dir.File("left.csv"));
    CRetDlg dialog(r.Ret, settings, prompt, chooser, QFont());
    dialog.show();
    dialog.findChild<QPushButton*>("fileOutputButton")->click();
    QCOMPARE(chooser.Requests.size(), std::size_t(1));
    QCOMPARE(chooser.Requests[0].Kind, std::string("save"));
    QCOMPARE(chooser.Requests[0].Options.InitialFolder, dir.Path());
    QCOMPARE(FileText(dir.File("left.csv")),
             std::string("部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\r\n"
                         "扉,400.0,700.0,18.0,2,1,,木目\r\n"));
    QVERIFY(prompt.Shown.empty());
    QVERIFY(dialog.isVisible());
    QCOMPARE(r.Buzai.Items[1].Count, 5);

    // Cancelled: nothing written.
    dialog.findChild<QPushButton*>("fileOutputButton")->click();
    QCOMPARE(chooser.Requests.size(), std::size_t(2));
}

void RetDlgTest::fileOutputWithoutUnplacedPartsWritesTheHeaderOnly()
{
    KnownResult r;
    r.Ret.Unplaced.clear();
    TempDir dir;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    chooser.Files.push_back(dir.File("none.csv"));
    CRetDlg dialog(r.Ret, settings, prompt, chooser, QFont());
    QCOMPARE(dialog.findChild<QTableView*>("unplacedTable")->model()->rowCount(), 0);
    dialog.findChild<QPushButton*>("fileOutputButton")->click();
    QCOMPARE(FileText(dir.File("none.csv")),
             std::string("部材名,部材横,部材縦,部材厚さ,部材数,部材横置き,部材種類,部材備考\r\n"));
}

void RetDlgTest::cutDataDialogStartsTodayAndRefusesTextsTheFileCannotHold()
{
    RecordingPrompt prompt;
    CCutDataDlg dialog(prompt);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QCOMPARE(dialog.windowTitle(), QString("切断データ出力情報"));
    auto* calendar = dialog.findChild<QCalendarWidget*>("dueCalendar");
    QCOMPARE(calendar->selectedDate(), QDate::currentDate());
    // The day the calendar highlights is the day it returns: today, and a clicked day.
    auto* days = calendar->findChild<QTableView*>("qt_calendar_calendarview");
    QVERIFY(days != nullptr);
    const auto highlighted = [days] {
        const QModelIndexList selected = days->selectionModel()->selectedIndexes();
        return selected.size() == 1 ? selected[0].data().toInt() : -1;
    };
    QCOMPARE(highlighted(), QDate::currentDate().day());
    const QModelIndex other = days->model()->index(3, 3);
    QTest::mouseClick(days->viewport(), Qt::LeftButton, {}, days->visualRect(other).center());
    QCOMPARE(highlighted(), calendar->selectedDate().day());
    QCOMPARE(calendar->selectedDate().day(), other.data().toInt());
    auto* name = dialog.findChild<QLineEdit*>("jobNameEdit");
    name->setText("現場😀");
    dialog.findChild<QPushButton*>("okButton")->click();
    QCOMPARE(prompt.Shown, std::vector<std::string>{"物件名に使用できない文字があります。"});
    QVERIFY(dialog.isVisible());
    QVERIFY(name->hasFocus());
    QCOMPARE(name->selectedText(), name->text());

    name->setText("現場");
    dialog.findChild<QLineEdit*>("commentEdit")->setText("😀");
    dialog.findChild<QPushButton*>("okButton")->click();
    QCOMPARE(prompt.Shown.back(), std::string("コメントに使用できない文字があります。"));
    QVERIFY(dialog.findChild<QLineEdit*>("commentEdit")->hasFocus());
}

void RetDlgTest::cutDataGoesToTheChosenFileWithTheProposedName()
{
    const KnownResult r(30, {0, 0});
    TempDir dir;
    Settings settings;
    settings.RetFol = dir.Path();
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    chooser.Files.push_back(dir.File("cut.csv"));
    WhenShown("cutDataDialog", [](QWidget* dialog) {
        dialog->findChild<QLineEdit*>("jobNameEdit")->setText("山田邸");
        dialog->findChild<QCalendarWidget*>("dueCalendar")->setSelectedDate(QDate(2026, 12, 24));
        dialog->findChild<QLineEdit*>("commentEdit")->setText("急ぎ");
        dialog->findChild<QPushButton*>("okButton")->click();
    });
    CutDataInfo info;
    const int written =
        ExportCutData({r.Ret, r.Buzai, r.YBuzai, r.Genban, 30, {0, 0}}, info, settings, prompt, chooser, nullptr);
    QCOMPARE(written, 1);
    QCOMPARE(info.JobName, std::string("山田邸"));  // kept for the job file
    QCOMPARE(info.Day, 24);
    QCOMPARE(chooser.Requests.size(), std::size_t(1));
    const FileDialogOptions& options = chooser.Requests[0].Options;
    QCOMPARE(options.InitialFolder, dir.Path());
    QCOMPARE(options.FileName, std::string("山田邸_20261224.csv"));
    QCOMPARE(options.DefaultExtension, std::string("csv"));
    const std::string text = FileText(dir.File("cut.csv"));
    QVERIFY2(
        text.rfind(
            "切断データ,Nestrix,1\r\n物件名,山田邸\r\n納期,2026/12/24\r\nコメント,急ぎ\r\n切れ幅,3.0\r\n",
            0) == 0,
        text.c_str());
    QVERIFY(prompt.Shown.empty());
}

void RetDlgTest::cancelledCutDataDialogWritesNothing()
{
    const KnownResult r(30, {0, 0});
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    // The dialog starts from the job's information; a cancel leaves it as it was.
    CutDataInfo info{"佐藤邸", 2027, 1, 15, "2 階"};
    QString shown;
    WhenShown("cutDataDialog", [&shown](QWidget* dialog) {
        shown = dialog->findChild<QLineEdit*>("jobNameEdit")->text() + "|" +
                dialog->findChild<QCalendarWidget*>("dueCalendar")->selectedDate().toString(Qt::ISODate) + "|" +
                dialog->findChild<QLineEdit*>("commentEdit")->text();
        dialog->findChild<QLineEdit*>("jobNameEdit")->setText("別");
        dialog->findChild<QPushButton*>("cancelButton")->click();
    });
    QCOMPARE(ExportCutData({r.Ret, r.Buzai, r.YBuzai, r.Genban, 30, {0, 0}}, info, settings, prompt, chooser, nullptr), 0);
    QCOMPARE(shown, QString("佐藤邸|2027-01-15|2 階"));
    QCOMPARE(info.JobName, std::string("佐藤邸"));
    QVERIFY(chooser.Requests.empty());
}

QTEST_MAIN(RetDlgTest)
#include "RetDlgTest.moc"
