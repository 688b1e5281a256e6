#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>

#include "fakes/RecordingPrompt.h"
#include "fakes/WhenModal.h"
#include "job/DentakuDlg.h"

namespace {

void Click(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QPushButton*>(name);
    QVERIFY2(button != nullptr, name);
    QTest::mouseClick(button, Qt::LeftButton);
}

}  // namespace

class DentakuDlgTest : public QObject {
    Q_OBJECT
private slots:
    void hasTwentyOneKeys();
    void keysTypeAtTheCaretAndKeepTheFocus_data();
    void keysTypeAtTheCaretAndKeepTheFocus();
    void equalsShowsTheResultAndStaysOpen();
    void enterIsOkAndAnErrorKeepsTheDialogOpen();
    void okPutsTheResultIntoTheField_data();
    void okPutsTheResultIntoTheField();
    void opensUnderItsField();
};

void DentakuDlgTest::hasTwentyOneKeys()
{
    RecordingPrompt prompt;
    CDentakuDlg dialog("", prompt);
    QCOMPARE(dialog.findChildren<QPushButton*>().size(), qsizetype(21));
    QCOMPARE(dialog.windowTitle(), QString("電卓"));
}

void DentakuDlgTest::keysTypeAtTheCaretAndKeepTheFocus_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<int>("caret");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digits at the end") << "12" << 2 << QStringList{"key3", "keyPoint", "key5"} << "123.5";
    QTest::newRow("inside the text") << "12" << 1 << QStringList{"keyPlus", "key0"} << "1+02";
    QTest::newRow("operators and parentheses")
        << "" << 0 << QStringList{"keyOpen",  "key1", "keyMinus",  "key2", "keyClose",
                                  "keyTimes", "key4", "keyDivide", "key6"}
        << "(1-2)*4/6";
    QTest::newRow("BS removes before the caret") << "123" << 2 << QStringList{"keyBackspace"} << "13";
    QTest::newRow("AC clears") << "1+2" << 3 << QStringList{"keyClear", "key7", "key8", "key9"} << "789";
}

void DentakuDlgTest::keysTypeAtTheCaretAndKeepTheFocus()
{
    QFETCH(QString, start);
    QFETCH(int, caret);
    QFETCH(QStringList, keys);
    QFETCH(QString, expected);
    RecordingPrompt prompt;
    CDentakuDlg dialog(start, prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>("expressionEdit");
    edit->setCursorPosition(caret);
    for (const QString& key : keys) {
        Click(&dialog, key.toLatin1().constData());
        QCOMPARE(QApplication::focusWidget(), edit);
    }
    QCOMPARE(dialog.Expression(), expected);
}

void DentakuDlgTest::equalsShowsTheResultAndStaysOpen()
{
    RecordingPrompt prompt;
    CDentakuDlg dialog("", prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>("expressionEdit");
    QTest::keyClicks(edit, "2.5*4");
    Click(&dialog, "keyEquals");
    QCOMPARE(dialog.Expression(), QString("10"));
    QVERIFY(dialog.isVisible());
    QTest::keyClicks(edit, "/0");
    Click(&dialog, "keyEquals");
    QCOMPARE(prompt.Shown, std::vector<std::string>{"０で除算しました"});
    QCOMPARE(dialog.Expression(), QString("10/0"));  // kept for mending
    // The keyboard's "=" is the ＝ key, not a character of the expression.
    prompt.Shown.clear();
    edit->setText("");
    QTest::keyClicks(edit, "7-2");
    QTest::keyClick(edit, Qt::Key_Equal, Qt::NoModifier);
    QCOMPARE(dialog.Expression(), QString("5"));
    QVERIFY(dialog.isVisible());
    QTest::keyClicks(edit, "*3=");
    QCOMPARE(dialog.Expression(), QString("15"));
    QVERIFY(prompt.Shown.empty());
}

void DentakuDlgTest::enterIsOkAndAnErrorKeepsTheDialogOpen()
{
    RecordingPrompt prompt;
    CDentakuDlg dialog("1+", prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* edit = dialog.findChild<QLineEdit*>("expressionEdit");
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(prompt.Shown, std::vector<std::string>{"計算式が誤っています"});
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QTest::keyClicks(edit, "2");
    QTest::keyClick(edit, Qt::Key_Enter);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.ResultText(), QString("3"));
}

void DentakuDlgTest::okPutsTheResultIntoTheField_data()
{
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QString>("expected");
    QTest::newRow("OK") << false << "1200";
    QTest::newRow("Escape") << true << "600*2";
}

void DentakuDlgTest::okPutsTheResultIntoTheField()
{
    QFETCH(bool, escape);
    QFETCH(QString, expected);
    RecordingPrompt prompt;
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit("600*2", &window);
    auto* button = new QPushButton("横幅", &window);
    layout->addWidget(field);
    layout->addWidget(button);
    AttachDentaku(button, field, prompt);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    bool opened = false;
    WhenModal([&](QWidget* modal) {
        opened = true;
        QCOMPARE(modal->objectName(), QString("dentakuDialog"));
        if (escape) {
            QTest::keyClick(modal, Qt::Key_Escape);
        } else {
            Click(modal, "okButton");
        }
    });
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(opened);
    QCOMPARE(field->text(), expected);
    QVERIFY(prompt.Shown.empty());
}

void DentakuDlgTest::opensUnderItsField()
{
    RecordingPrompt prompt;
    QWidget window;
    window.setGeometry(40, 40, 300, 100);
    auto* field = new QLineEdit(&window);
    field->setGeometry(10, 10, 120, 24);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    CDentakuDlg dialog("", prompt, &window);
    dialog.PlaceAt(field);
    const QPoint bottomLeft = field->mapToGlobal(QPoint(0, field->height()));
    QCOMPARE(dialog.pos(), bottomLeft);
}

QTEST_MAIN(DentakuDlgTest)
#include "DentakuDlgTest.moc"
