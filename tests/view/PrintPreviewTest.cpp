#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTimer>
#include <QToolBar>
#include <QWheelEvent>
#include <QtTest>

#include "app/MainFrame.h"
#include "app/NestrixApp.h"
#include "calc/CalHaichi.h"
#include "calc/CalcRun.h"
#include "calc/engines/Engines.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "view/Commands.h"
#include "view/NestrixView.h"
#include "view/PrintJob.h"
#include "view/PrintPreview.h"

namespace {

// A started program whose document holds a result of `boards` used board kinds, each cut once
// with one part: the board information is 2 pages from 30 kinds on.
struct Started {
    TempDir home;
    ScopedEnv env{"NESTRIX_HOME", home.Path()};
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    CNestrixApp app{&prompt, &chooser};

    explicit Started(int boards)
    {
        QVERIFY(app.InitInstance());
        CNestrixDoc& doc = app.Doc();
        doc.BuzaiList.Items.resize(1);
        for (int i = 0; i < boards; ++i) {
            CGenban board;
            board.Name = "B" + std::to_string(i);
            board.Index = i;
            doc.ResultBoards.Items.push_back(board);
            COutData layout;
            layout.BoardNo = i;
            layout.Repeat = 1;
            layout.Blocks.push_back(CHaichi(0, 0, 0, 0, 1, 1, 0));
            layout.Summary.push_back({0, 1, 0});
            doc.RetData.Layouts.push_back(layout);
        }
        doc.PrepareCutSizes(Settings());
        doc.RetData.BuzaiList = &doc.ResultParts;
        doc.RetData.YBuzaiList = &doc.ResultSecondary;
        doc.RetData.GenbanList = &doc.ResultBoards;
        doc.RetData.Finalize(false);
        doc.ResultPresent = 1;
        Frame().UpdateCommandUI();
    }
    ~Started() { app.ExitInstance(); }
    CMainFrame& Frame() { return *app.MainFrame(); }
    CPreviewView2* Preview() { return qobject_cast<CPreviewView2*>(Frame().centralWidget()); }
    QString Pane(int i) { return Frame().findChild<QLabel*>(QString("statusPane%1").arg(i))->text(); }
};

void Wheel(CPreviewView2& preview, int delta)
{
    QWidget* viewport = preview.PageView()->viewport();
    const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
    QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(viewport, &event);
}

// Closes the print dialog once it shows and reports its page range.
void RejectPrintDialog(int& minPage, int& maxPage)
{
    QTimer::singleShot(0, [&minPage, &maxPage] {
        auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        minPage = dialog->minPage();
        maxPage = dialog->maxPage();
        dialog->reject();
    });
}

}  // namespace

class PrintPreviewTest : public QObject {
    Q_OBJECT
private slots:
    void previewTakesTheViewsPlace();
    void buttonsGiveTheFocusBackAndTheWheelStopsAtBothEnds();
    void closingTheMainWindowClosesOnlyThePreview();
    void withoutPreviewThePrintDialogOffersEveryPage();
    void printButtonClosesThePreviewAndOpensThePrintDialog();
    void cuttingSheetsLeaveTheScreenZoomAsItWas();
    void aLaidOutJobPreviewsEveryPage();
};

void PrintPreviewTest::previewTakesTheViewsPlace()
{
    Started s(30);
    emit s.Frame().View()->statusPanesChanged({"a", "b", "c"});

    s.Frame().CommandAction(kCmdPrintBoardInfo)->trigger();

    CPreviewView2* preview = s.Preview();
    QVERIFY(preview != nullptr);
    QCOMPARE(s.app.PreviewActive, 1);
    QCOMPARE(s.Frame().PrintJob()->Kind(), int(kPrintBoardInfo));
    QCOMPARE(preview->State().Last(), 2);
    for (int i = 1; i <= 3; ++i) {
        QCOMPARE(s.Pane(i), QString());
    }
    QVERIFY(!s.Frame().findChild<QToolBar*>("toolBar")->isVisible());
    // Out of its place the view stays owned by the frame.
    QCOMPARE(s.Frame().View()->parentWidget(), static_cast<QWidget*>(&s.Frame()));
    QVERIFY(!s.Frame().View()->isVisible());
    const QStringList texts = {"印刷", "前ﾍﾟｰｼﾞ", "次ﾍﾟｰｼﾞ", "拡大", "縮小", "閉じる"};
    const char* names[] = {"printButton",  "prevButton",    "nextButton",
                           "zoomInButton", "zoomOutButton", "closeButton"};
    for (int i = 0; i < texts.size(); ++i) {
        QCOMPARE(preview->Button(names[i])->text(), texts[i]);
    }
    QVERIFY(!preview->Button("prevButton")->isEnabled());
    QVERIFY(!preview->Button("zoomOutButton")->isEnabled());

    QTest::mouseClick(preview->Button("closeButton"), Qt::LeftButton);
    QCOMPARE(s.app.PreviewActive, 0);
    QCOMPARE(s.Frame().centralWidget(), s.Frame().View());
    QVERIFY(s.Frame().findChild<QToolBar*>("toolBar")->isVisible());
}

void PrintPreviewTest::buttonsGiveTheFocusBackAndTheWheelStopsAtBothEnds()
{
    Started s(30);
    QVERIFY(QTest::qWaitForWindowActive(&s.Frame()));
    s.Frame().CommandAction(kCmdPrintBoardInfo)->trigger();
    CPreviewView2* preview = s.Preview();
    QVERIFY(preview != nullptr);

    QTest::mouseClick(preview->Button("nextButton"), Qt::LeftButton);
    QCOMPARE(preview->State().Current(), 2);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(preview->PageView()));
    QVERIFY(!preview->Button("nextButton")->isEnabled());

    Wheel(*preview, -120);  // towards the user on the last page
    QCOMPARE(preview->State().Current(), 2);
    Wheel(*preview, 120);
    QCOMPARE(preview->State().Current(), 1);
    Wheel(*preview, 120);  // away on the first page
    QCOMPARE(preview->State().Current(), 1);

    // Zoomed in, the wheel scrolls the page instead of turning it.
    QTest::mouseClick(preview->Button("zoomInButton"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(preview->PageView()));
    Wheel(*preview, -120);
    QCOMPARE(preview->State().Current(), 1);
    QTest::mouseClick(preview->Button("zoomOutButton"), Qt::LeftButton);
    Wheel(*preview, -120);
    QCOMPARE(preview->State().Current(), 2);
}

void PrintPreviewTest::closingTheMainWindowClosesOnlyThePreview()
{
    Started s(3);
    s.Frame().CommandAction(kCmdPrintCutSheets)->trigger();
    QVERIFY(s.Preview() != nullptr);
    QCOMPARE(s.Preview()->State().Last(), 3);  // one sheet per layout
    QSignalSpy status(s.Frame().View(), &CNestrixView::statusPanesChanged);

    QVERIFY(!s.Frame().close());

    QVERIFY(s.Frame().isVisible());
    QCOMPARE(s.app.PreviewActive, 0);
    QCOMPARE(s.Frame().centralWidget(), s.Frame().View());
    QCOMPARE(status.count(), 1);
    QVERIFY(s.prompt.Asked.empty());
}

void PrintPreviewTest::withoutPreviewThePrintDialogOffersEveryPage()
{
    Started s(30);
    s.app.AppSettings().OutPrnPre = 0;
    int minPage = 0;
    int maxPage = 0;
    RejectPrintDialog(minPage, maxPage);

    s.Frame().CommandAction(kCmdPrintBoardInfo)->trigger();

    QCOMPARE(minPage, 1);
    QCOMPARE(maxPage, 2);
    QCOMPARE(s.app.PreviewActive, 0);
    QCOMPARE(s.Frame().centralWidget(), s.Frame().View());
}

void PrintPreviewTest::printButtonClosesThePreviewAndOpensThePrintDialog()
{
    Started s(2);
    s.Frame().CommandAction(kCmdPrintCutSheets)->trigger();
    QVERIFY(s.Preview() != nullptr);
    int minPage = 0;
    int maxPage = 0;
    RejectPrintDialog(minPage, maxPage);

    QTest::mouseClick(s.Preview()->Button("printButton"), Qt::LeftButton);

    QCOMPARE(maxPage, 2);
    QCOMPARE(s.app.PreviewActive, 0);
    QCOMPARE(s.Frame().centralWidget(), s.Frame().View());
}

void PrintPreviewTest::cuttingSheetsLeaveTheScreenZoomAsItWas()
{
    Started s(2);
    ViewState& state = s.Frame().View()->State();
    state.Transform.Zoom = 3.0;
    state.Transform.AnchorBoard = {1500.0, 700.0};
    state.Transform.AnchorDevice = {40, 50};
    const BoardTransform before = state.Transform;

    s.Frame().CommandAction(kCmdPrintCutSheets)->trigger();
    QVERIFY(s.Preview() != nullptr);
    QTest::mouseClick(s.Preview()->Button("nextButton"), Qt::LeftButton);
    QTest::mouseClick(s.Preview()->Button("closeButton"), Qt::LeftButton);

    QCOMPARE(state.Transform.Zoom, before.Zoom);
    QCOMPARE(state.Transform.AnchorBoard.X, before.AnchorBoard.X);
    QCOMPARE(state.Transform.AnchorBoard.Y, before.AnchorBoard.Y);
    QCOMPARE(state.Transform.AnchorDevice, before.AnchorDevice);
    QVERIFY(!state.Transform.Printing);
}

void PrintPreviewTest::aLaidOutJobPreviewsEveryPage()
{
    Started s(0);
    CNestrixDoc& doc = s.app.Doc();
    const std::string example = NESTRIX_EXAMPLE;
    Settings& settings = s.app.AppSettings();
    doc.GenbanList.Items.clear();
    doc.RetData.Clear();
    QVERIFY(doc.GenbanList.Read(example + "/boards.csv", settings, s.prompt));
    QVERIFY(doc.BuzaiList.Read(example + "/parts.csv", settings, s.prompt));
    QVERIFY(doc.YBuzaiList.Read(example + "/secondary.csv", settings, s.prompt));
    for (CGenban& board : doc.GenbanList.Items) {
        board.Use = 1;
    }
    settings.UseYBuzai = 1;
    QCOMPARE(doc.PrepareCutSizes(settings), std::string());
    CalcRun run(doc.ResultParts, doc.ResultSecondary, doc.GenbanList, settings, MakeEngine);
    QCOMPARE(run.RunToEnd(doc.RetData, s.prompt, nullptr), CalcRun::Outcome::Placed);
    doc.ResultPresent = 1;
    doc.KeepCalculation(settings);
    s.prompt.Shown.clear();  // the start-up's missing job files

    for (int kind : {int(kPrintBoardInfo), int(kPrintCutSheets)}) {
        s.Frame().CommandAction(kind == kPrintBoardInfo ? kCmdPrintBoardInfo : kCmdPrintCutSheets)->trigger();
        CPreviewView2* preview = s.Preview();
        QVERIFY(preview != nullptr);
        const int pages = preview->State().Last();
        QCOMPARE(pages, int(doc.RetData.Pages[kind].size()));
        QVERIFY(pages >= 1);
        // Page by page with the wheel, each page drawn without a fault; then no further.
        for (int page = 1; page < pages; ++page) {
            Wheel(*preview, -120);
            QCOMPARE(preview->State().Current(), page + 1);
        }
        Wheel(*preview, -120);
        QCOMPARE(preview->State().Current(), pages);
        QVERIFY(s.prompt.Shown.empty());
        QTest::mouseClick(preview->Button("closeButton"), Qt::LeftButton);
    }
    // ラベル: one per placed piece on sheets of 44, the first 40 cells used: the first sheet
    // holds 4 labels.
    settings.SetLabels({4, 11, 84, 88, 0, 0, 40});
    int pieces = 0;
    for (const COutData& layout : doc.RetData.Layouts) {
        for (const CAL_BUZAI& entry : layout.Summary) {
            pieces += layout.Repeat * entry.Count;
        }
    }
    s.Frame().CommandAction(kCmdPrintLabels)->trigger();
    QVERIFY(s.Preview() != nullptr);
    QCOMPARE(s.Preview()->State().Last(), 1 + (pieces - 4 + 43) / 44);
    QTest::mouseClick(s.Preview()->Button("closeButton"), Qt::LeftButton);
    QVERIFY(s.prompt.Shown.empty());
    // Costs by the cost method 原板: the parts carry the whole board price.
    double cost = 0.0;
    for (const CBuzai& part : doc.ResultParts.Items) {  // the lists the result was laid out with
        cost += part.PlacedCost;
    }
    for (const CBuzai& part : doc.ResultSecondary.Items) {
        cost += part.PlacedCost;
    }
    QVERIFY(std::abs(cost - static_cast<double>(doc.RetData.TotalPrice)) < 1e-6);
}

QTEST_MAIN(PrintPreviewTest)
#include "PrintPreviewTest.moc"
