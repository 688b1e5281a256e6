#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QtTest>

#include "platform/qt/QtTexts.h"

// The print dialog speaks Japanese throughout: the texts Qt's catalogue has, and the ones it
// lacks and we add.
class QtTextsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallJapaneseQtTexts(); }
    void printDialogTextsAreJapanese_data();
    void printDialogTextsAreJapanese();
};

void QtTextsTest::printDialogTextsAreJapanese_data()
{
    QTest::addColumn<QString>("name");  // Qt's own object names of the dialog's controls
    QTest::addColumn<QString>("text");
    QTest::newRow("from the catalogue") << "printAll"
                                        << "すべて印刷";
    QTest::newRow("pages") << "pagesRadioButton"
                           << "ページ指定";
    QTest::newRow("double sided") << "duplex"
                                  << "両面印刷";
    QTest::newRow("one sided") << "noDuplex"
                               << "しない";
    QTest::newRow("long side") << "duplexLong"
                               << "長辺とじ";
    QTest::newRow("short side") << "duplexShort"
                                << "短辺とじ";
}

void QtTextsTest::printDialogTextsAreJapanese()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QPrinter printer;
    QPrintDialog dialog(&printer);
    QObject* control = dialog.findChild<QObject*>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    if (auto* box = qobject_cast<QGroupBox*>(control)) {
        QCOMPARE(box->title(), text);
    } else {
        QCOMPARE(qobject_cast<QAbstractButton*>(control)->text(), text);
    }
}

QTEST_MAIN(QtTextsTest)
#include "QtTextsTest.moc"
