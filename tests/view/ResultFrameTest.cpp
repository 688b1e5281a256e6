#include <QLabel>
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
#include "view/NestrixView.h"

namespace {

// The desktop program with the example kitchen job laid out, the result handed to the view
// the way the layout command hands it over.
struct LaidOut {
    TempDir home;
    ScopedEnv env{"NESTRIX_HOME", home.Path()};
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    CNestrixApp app{&prompt, &chooser};

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
        CalcRun run(doc.BuzaiList, doc.YBuzaiList, doc.GenbanList, settings, MakeEngine);
        if (run.RunToEnd(doc.RetData, prompt, [](CalcRun&) { return false; }) != CalcRun::Outcome::Placed) {
            return false;
        }
        doc.ResultPresent = 1;
        app.MainFrame()->View()->OnNewResult();
        return true;
    }
    QString Pane(int n) const
    {
        return app.MainFrame()->findChild<QLabel*>(QString("statusPane%1").arg(n))->text();
    }
    ~LaidOut() { app.ExitInstance(); }
};

}  // namespace

class ResultFrameTest : public QObject {
    Q_OBJECT
private slots:
    void statusBarFollowsTheCurrentBoard();
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

QTEST_MAIN(ResultFrameTest)
#include "ResultFrameTest.moc"
