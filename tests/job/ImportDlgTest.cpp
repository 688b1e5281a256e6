#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <functional>

#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/WhenModal.h"
#include "job/BuzaiDlg.h"
#include "job/ImportDlg.h"
#include "job/NamedLists.h"

namespace {

// The parts list dialog as the program opens it, with the mappings it remembers.
struct PartsListRun {
    CBuzaiList list;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    std::vector<std::string> memory;

    int Run()
    {
        return EditList(list, {settings, prompt, chooser, QFont("monospace", 12), nullptr, &memory});
    }
};

template <class Widget>
Widget* Child(QWidget* parent, const char* name)
{
    Widget* child = parent->findChild<Widget*>(name);
    if (child == nullptr) {
        qWarning("no %s", name);
    }
    return child;
}

// Offscreen, a window that a nested dialog left is not active again by itself: keys and
// shortcuts go to the active window.
void Activate(QWidget* window)
{
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

// WhenModal, the window active first; a dialog the act leaves open (a failed check) is closed so
// that the test ends instead of waiting.
void InModal(std::function<void(QWidget*)> act)
{
    WhenModal([act](QWidget* modal) {
        Activate(modal);
        act(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    });
}

QString Text(QWidget* parent, const char* name)
{
    return Child<QLabel>(parent, name)->text();
}

}  // namespace

class ImportDlgTest : public QObject {
    Q_OBJECT
private slots:
    void importsTheGoodRowsOfAFileThroughThePreview();
    void pastedCellsGoThroughTheSameMapping();
    void cancelTakesNothing();
};

// 取り込み...: the file, its columns guessed, the one it cannot guess chosen with the keyboard, the
// row that cannot be taken listed, the good rows taken; the choice is there for the next file.
void ImportDlgTest::importsTheGoodRowsOfAFileThroughThePreview()
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("sheet.csv").toStdString();
    std::ofstream(path, std::ios::binary)
        << "\xEF\xBB\xBFPart,Width,Depth,T,Qty,Grain,Colour\r\n"
           "A,600,400,18,2,yes,red\r\nB,x,400,18,1,no,blue\r\nC,300,200,9,1,,green\r\n";
    PartsListRun run;
    run.list = Named<CBuzaiList>({"old"});
    run.chooser.Files = {path, path};
    bool previewed = false;
    InModal([&](QWidget* listDialog) {
        InModal([&](QWidget* preview) {
            QCOMPARE(preview->objectName(), QString("importDialog"));
            QCOMPARE(preview->windowTitle(), QString("部材の取り込み"));
            QVERIFY(Text(preview, "sourceLabel").contains("UTF-8、カンマ区切り"));
            auto* length = Child<QComboBox>(preview, "lengthColumn");
            auto* ok = Child<QPushButton>(preview, "okButton");
            QCOMPARE(length->currentText(), QString("（なし）"));
            QCOMPARE(Child<QComboBox>(preview, "widthColumn")->currentText(), QString("2: Width"));
            QCOMPARE(Text(preview, "summaryLabel"), QString("長さ の列を選んでください。"));
            QVERIFY(!ok->isEnabled());

            length->setFocus();
            for (int i = 0; i < 3; ++i) {
                QTest::keyClick(length, Qt::Key_Down);
            }
            QCOMPARE(length->currentText(), QString("3: Depth"));
            QCOMPARE(Text(preview, "summaryLabel"), QString("取り込める行: 2（3 枚）、取り込めない行: 1"));
            QCOMPARE(Child<QPlainTextEdit>(preview, "errorList")->toPlainText(),
                     QString("3行目: 幅「x」は数値ではありません"));
            QCOMPARE(Text(preview, "noteLabel"),
                     QString("寸法は mm として読みます（インチは換算しません）。\n取り込まない列: Colour"));
            QCOMPARE(ok->text(), QString("正しい行だけ取り込む"));
            QVERIFY(ok->isEnabled());
            previewed = true;
            QTest::mouseClick(ok, Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(listDialog, "importButton"), Qt::LeftButton);
        QVERIFY(previewed);
        QCOMPARE(Child<QTableView>(listDialog, "listTable")->model()->rowCount(),
                 4);  // 3 parts, the empty row

        // The same header again: the choice of the first file.
        InModal([&](QWidget* preview) {
            QCOMPARE(Child<QComboBox>(preview, "lengthColumn")->currentText(), QString("3: Depth"));
            QTest::mouseClick(Child<QPushButton>(preview, "cancelButton"), Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(listDialog, "importButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(listDialog, "closeButton"), Qt::LeftButton);
    });
    QCOMPARE(run.Run(), 1);
    QCOMPARE(QString::fromStdString(Names(run.list)), QString("oldAC"));
    const CBuzai& a = run.list.Items[1];
    QCOMPARE(a.Width, 6000);
    QCOMPARE(a.Height, 4000);
    QCOMPARE(a.Thickness, 180);
    QCOMPARE(a.Count, 2);
    QCOMPARE(a.NoTurn, 1);
    QCOMPARE(a.Index, 1);
    QCOMPARE(run.list.Items[2].Thickness, 90);
    QCOMPARE(run.list.Saved, 0);
    QCOMPARE(run.memory.size(), std::size_t(1));
    QVERIFY(run.prompt.Shown.empty());
}

// Ctrl+V on the table: cells with their titles go before the selected row through the preview and
// can be undone; cells without titles start with no column chosen.
void ImportDlgTest::pastedCellsGoThroughTheSameMapping()
{
    PartsListRun run;
    run.list = Named<CBuzaiList>({"a", "b"});
    InModal([&](QWidget* listDialog) {
        auto* table = Child<QTableView>(listDialog, "listTable");
        table->selectRow(1);
        QApplication::clipboard()->setText("W\tL\tT\tName\n600\t400\t18\tTop\n300\t200\t18\tBack\n");
        InModal([&](QWidget* preview) {
            QCOMPARE(preview->windowTitle(), QString("部材の取り込み"));
            QVERIFY(Child<QCheckBox>(preview, "headerCheck")->isChecked());
            QCOMPARE(Text(preview, "summaryLabel"), QString("取り込める行: 2（2 枚）、取り込めない行: 0"));
            QTest::keyClicks(Child<QLineEdit>(preview, "defaultKind"), "MDF");  // no 種類 column
            QTest::keyClick(Child<QPushButton>(preview, "okButton"), Qt::Key_Space);
        });
        QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(Names(run.list)), QString("aTopBackb"));
        Activate(listDialog);
        QTest::keyClick(table, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(Names(run.list)), QString("ab"));
        QTest::keyClick(table, Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(Names(run.list)), QString("aTopBackb"));

        // No titles: every line is a row, nothing guessed; ticking 1行目は見出し takes the first
        // line for titles.
        QApplication::clipboard()->setText("600\t400\t18\n300\t200\t18\n");
        InModal([&](QWidget* preview) {
            auto* header = Child<QCheckBox>(preview, "headerCheck");
            QVERIFY(!header->isChecked());
            QCOMPARE(Child<QComboBox>(preview, "widthColumn")->currentText(), QString("（なし）"));
            QVERIFY(!Child<QPushButton>(preview, "okButton")->isEnabled());
            QTest::keyClick(header, Qt::Key_Space);
            QVERIFY(header->isChecked());
            QCOMPARE(Child<QComboBox>(preview, "widthColumn")->count(), 4);
            QCOMPARE(Child<QComboBox>(preview, "widthColumn")->itemText(1), QString("1: 600"));
            QTest::keyClick(preview, Qt::Key_Escape);
        });
        Activate(listDialog);
        QTest::keyClick(table, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(QString::fromStdString(Names(run.list)), QString("aTopBackb"));
        QTest::mouseClick(Child<QPushButton>(listDialog, "closeButton"), Qt::LeftButton);
    });
    QCOMPARE(run.Run(), 1);
    QCOMPARE(run.list.Items[1].Width, 6000);
    QCOMPARE(run.list.Items[1].Kind, std::string("MDF"));
    QCOMPARE(run.list.Items[2].Index, 2);
}

// A file that cannot be read says why; キャンセル in the preview changes nothing.
void ImportDlgTest::cancelTakesNothing()
{
    QTemporaryDir dir;
    const std::string broken = dir.filePath("broken.csv").toStdString();
    const std::string good = dir.filePath("good.csv").toStdString();
    std::ofstream(broken, std::ios::binary) << "W,L,T\n\x85\x40,1,1\n";
    std::ofstream(good, std::ios::binary) << "W,L,T\n600,400,18\n";
    PartsListRun run;
    run.list = Named<CBuzaiList>({"a"});
    run.list.IsSecondary = 1;
    run.chooser.Files = {broken, good};
    InModal([&](QWidget* listDialog) {
        QTest::mouseClick(Child<QPushButton>(listDialog, "importButton"), Qt::LeftButton);
        InModal([&](QWidget* preview) {
            QCOMPARE(preview->windowTitle(), QString("２次部材の取り込み"));
            QTest::mouseClick(Child<QPushButton>(preview, "cancelButton"), Qt::LeftButton);
        });
        QTest::mouseClick(Child<QPushButton>(listDialog, "importButton"), Qt::LeftButton);
        QTest::mouseClick(Child<QPushButton>(listDialog, "closeButton"), Qt::LeftButton);
    });
    QCOMPARE(run.Run(), 0);
    QCOMPARE(QString::fromStdString(Names(run.list)), QString("a"));
    QCOMPARE(run.prompt.Shown,
             std::vector<std::string>{"２次部材ファイル異常です。（2行目、UTF-8 でも Shift-JIS "
                                      "でもない文字があります）\n読み込みを中断しました。"});
    QVERIFY(run.memory.empty());
}

QTEST_MAIN(ImportDlgTest)
#include "ImportDlgTest.moc"
