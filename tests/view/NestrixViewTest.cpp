#include <QSignalSpy>
#include <QWheelEvent>
#include <QtTest>

#include "base/Settings.h"
#include "doc/NestrixDoc.h"
#include "view/NestrixView.h"

namespace {

// Three used boards of 200 x 100 mm: in a 600 x 400 view a grid of 2 x 2 cells of 300 x 200.
struct Shown {
    CNestrixDoc doc;
    Settings settings;
    CNestrixView view{doc, settings};

    explicit Shown(int boards = 3)
    {
        CGenban board;
        board.Width = 2000;
        board.Height = 1000;
        doc.ResultBoards.Items = {board};
        CBuzai part;
        part.Width = 500;
        part.Height = 400;
        doc.BuzaiList.Items = {part};
        doc.PrepareCutSizes(Settings());
        COutData layout;
        layout.Repeat = 1;
        layout.Blocks = {CHaichi(0, 0, 0, 0, 2, 2, 0)};
        doc.RetData.Layouts.assign(static_cast<std::size_t>(boards), layout);
        doc.RetData.MaxWidth = 2000;
        doc.RetData.MaxHeight = 1000;
        doc.ResultPresent = 1;
        view.resize(600, 400);
        view.show();
        view.OnNewResult();
    }
    QString Position(const QSignalSpy& spy) const { return spy.last().at(0).toStringList().value(2); }
    void Wheel(QPoint at, int delta)
    {
        QWheelEvent event(at, view.mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &event);
    }
    void Move(QPoint at, Qt::MouseButtons buttons)
    {
        QMouseEvent event(QEvent::MouseMove, at, view.mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }
};

}  // namespace

class NestrixViewTest : public QObject {
    Q_OBJECT
private slots:
    void keysMoveTheCurrentBoardAndTheStatusBarFollows();
    void enterOpensEscapeAndBackspaceReturn_data();
    void enterOpensEscapeAndBackspaceReturn();
    void clickPicksDoubleClickOpensRightClickReturns();
    void plusAndMinusZoomOnlyOnTheDetailScreen();
    void wheelZoomsAroundTheCursor();
    void middleDragPansWithAHandCursor();
    void unplacedPartsTurnTheBackgroundOrange();
};

void NestrixViewTest::keysMoveTheCurrentBoardAndTheStatusBarFollows()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    QSignalSpy spy(&s.view, &CNestrixView::statusPanesChanged);
    s.view.setFocus();

    const struct {
        Qt::Key key;
        int current;
        const char* position;
    } steps[] = {
        {Qt::Key_Right, 1, "    2/    3"},
        {Qt::Key_PageDown, 2, "    3/    3"},
        {Qt::Key_PageUp, 1, "    2/    3"},
        {Qt::Key_Left, 0, "    1/    3"},
    };
    for (const auto& step : steps) {
        QTest::keyClick(&s.view, step.key);
        QCOMPARE(s.doc.CurrentBoard, step.current);
        QCOMPARE(s.Position(spy), QString(step.position));
    }
    const int before = spy.count();
    QTest::keyClick(&s.view, Qt::Key_Left);  // already the first: nothing changes
    QCOMPARE(spy.count(), before);
}

void NestrixViewTest::enterOpensEscapeAndBackspaceReturn_data()
{
    QTest::addColumn<int>("back");
    QTest::newRow("Escape") << int(Qt::Key_Escape);
    QTest::newRow("Backspace") << int(Qt::Key_Backspace);
}

void NestrixViewTest::enterOpensEscapeAndBackspaceReturn()
{
    QFETCH(int, back);
    Shown s;
    s.view.setFocus();
    QTest::keyClick(&s.view, Qt::Key_Return);
    QCOMPARE(s.view.State().ListScreen, 0);
    QTest::keyClick(&s.view, Qt::Key(back));
    QCOMPARE(s.view.State().ListScreen, 1);
    QTest::keyClick(&s.view, Qt::Key_Enter);  // the keypad's Enter as well
    QCOMPARE(s.view.State().ListScreen, 0);
}

void NestrixViewTest::clickPicksDoubleClickOpensRightClickReturns()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.repaint();  // lays out the grid
    QCOMPARE(s.view.State().Grid, (GridSize{2, 2}));

    QTest::mouseClick(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(450, 100));
    QCOMPARE(s.doc.CurrentBoard, 1);
    QCOMPARE(s.view.State().ListScreen, 1);
    QTest::mouseClick(&s.view, Qt::LeftButton, Qt::NoModifier, QPoint(450, 300));  // empty cell
    QCOMPARE(s.doc.CurrentBoard, 1);
    // A double click as the window system delivers it: press, release, double click, release.
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, QPointF(150, 300), s.view.mapToGlobal(QPointF(150, 300)), Qt::LeftButton,
                          down ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&s.view, &event);
    }
    QCOMPARE(s.doc.CurrentBoard, 2);
    QCOMPARE(s.view.State().ListScreen, 0);
    QTest::mouseClick(&s.view, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(s.view.State().ListScreen, 1);
    QCOMPARE(s.doc.CurrentBoard, 2);
}

void NestrixViewTest::plusAndMinusZoomOnlyOnTheDetailScreen()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.setFocus();
    QTest::keyClick(&s.view, Qt::Key_Plus);
    QCOMPARE(s.view.State().Transform.Zoom, 1.0);
    QTest::keyClick(&s.view, Qt::Key_Return);
    s.view.repaint();
    QTest::keyClick(&s.view, Qt::Key_Plus);
    QTest::keyClick(&s.view, Qt::Key_Plus);
    QCOMPARE(s.view.State().Transform.Zoom, 1.2 * 1.2);
    QCOMPARE(s.view.State().Transform.AnchorDevice, (CanvasPoint{300, 200}));
    QTest::keyClick(&s.view, Qt::Key_Minus);
    QTest::keyClick(&s.view, Qt::Key_Minus);
    QTest::keyClick(&s.view, Qt::Key_Minus);
    QCOMPARE(s.view.State().Transform.Zoom, 1.0);
}

void NestrixViewTest::wheelZoomsAroundTheCursor()
{
    Shown s(1);  // a single board opens in detail
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    QCOMPARE(s.view.State().ListScreen, 0);
    s.view.repaint();
    const BoardPoint under = s.view.State().Transform.DeviceToBoard(400, 150);
    s.Wheel(QPoint(400, 150), 120);
    QCOMPARE(s.view.State().Transform.Zoom, 1.2);
    const CanvasPoint at = s.view.State().Transform.BoardToDevice(under.X, under.Y);
    QCOMPARE(at, (CanvasPoint{400, 150}));
    s.Wheel(QPoint(400, 150), -120);
    QCOMPARE(s.view.State().Transform.Zoom, 1.0);
    QTest::mouseClick(&s.view, Qt::RightButton);  // one board: the detail screen stays
    QCOMPARE(s.view.State().ListScreen, 0);
}

void NestrixViewTest::middleDragPansWithAHandCursor()
{
    Shown s(1);
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.view.repaint();
    s.Wheel(QPoint(300, 200), 120);
    const double anchorX = s.view.State().Transform.AnchorBoard.X;

    QTest::mousePress(&s.view, Qt::MiddleButton, Qt::NoModifier, QPoint(300, 200));
    QCOMPARE(s.view.cursor().shape(), Qt::ClosedHandCursor);
    s.Move(QPoint(280, 200), Qt::MiddleButton);
    const ViewState& state = s.view.State();
    QVERIFY(qAbs(state.Transform.AnchorBoard.X - (anchorX + 20 / state.Transform.Scale / 1.2)) < 1e-9);
    QTest::mouseRelease(&s.view, Qt::MiddleButton, Qt::NoModifier, QPoint(280, 200));
    QCOMPARE(s.view.cursor().shape(), Qt::ArrowCursor);
    s.Move(QPoint(200, 200), Qt::NoButton);  // no button: no pan
    QVERIFY(qAbs(state.Transform.AnchorBoard.X - (anchorX + 20 / state.Transform.Scale / 1.2)) < 1e-9);
}

void NestrixViewTest::unplacedPartsTurnTheBackgroundOrange()
{
    Shown s;
    QVERIFY(QTest::qWaitForWindowExposed(&s.view));
    s.doc.RetData.Unplaced = {CAL_BUZAI{0, 1, 0}};
    s.view.RequestRedraw();
    s.view.repaint();
    QCOMPARE(QColor(s.view.Surface().pixel(450, 300)), QColor(255, 176, 134));  // the empty cell
    s.doc.RetData.Unplaced.clear();
    s.view.repaint();  // no redraw asked for: the picture stays
    QCOMPARE(QColor(s.view.Surface().pixel(450, 300)), QColor(255, 176, 134));
    s.view.RequestRedraw();
    s.view.repaint();
    QCOMPARE(QColor(s.view.Surface().pixel(450, 300)), QColor(Qt::white));
}

QTEST_MAIN(NestrixViewTest)
#include "NestrixViewTest.moc"
