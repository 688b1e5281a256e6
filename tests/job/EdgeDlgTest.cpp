#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <functional>

#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/WhenModal.h"
#include "job/BuzaiDlg.h"
#include "job/EdgeDlg.h"

namespace {

// WhenModal with the window active; a dialog the act leaves open (a failed check) is closed.
void InModal(std::function<void(QWidget*)> act)
{
    WhenModal([act](QWidget* modal) {
        modal->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(modal));
        act(modal);
        if (auto* dialog = qobject_cast<QDialog*>(modal); dialog != nullptr && dialog->isVisible()) {
            dialog->reject();
        }
    });
}

void Type(QWidget* dialog, const char* field, const QString& text)
{
    auto* edit = dialog->findChild<QLineEdit*>(field);
    QVERIFY(edit != nullptr);
    edit->selectAll();
    QTest::keyClicks(edit, text);
}

}  // namespace

class EdgeDlgTest : public QObject {
    Q_OBJECT
private slots:
    void bandTableTakesNewBandsAndRefusesACodeTwice();
    void partDialogChoosesABandForEachEdge();
};

// エッジ材設定: Insert opens the input dialog; a code the table has is refused with the field
// focused; the band's own code is no second one when it is edited.
void EdgeDlgTest::bandTableTakesNewBandsAndRefusesACodeTwice()
{
    CEdgeList list;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    const JobDialogContext context{settings, prompt, chooser, QFont("monospace", 12)};
    InModal([&](QWidget* table) {
        auto* view = table->findChild<QTableView*>("listTable");
        InModal([&](QWidget* input) {
            Type(input, "codeEdit", "A");
            Type(input, "nameEdit", "PVC 0.5");
            Type(input, "thicknessEdit", "0.5");
            Type(input, "priceEdit", "40");
            Type(input, "allowanceEdit", "30");
            QTest::mouseClick(input->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        QTest::keyClick(view, Qt::Key_Insert);
        InModal([&](QWidget* input) {
            Type(input, "codeEdit", "A");  // the code of the first band
            Type(input, "thicknessEdit", "2");
            QTest::mouseClick(input->findChild<QPushButton*>("okButton"), Qt::LeftButton);
            QVERIFY(input->isVisible());
            QCOMPARE(QApplication::focusWidget(), input->findChild<QLineEdit*>("codeEdit"));
            Type(input, "codeEdit", "B");
            QTest::mouseClick(input->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        QTest::keyClick(view, Qt::Key_Insert);
        view->selectRow(1);
        InModal([&](QWidget* input) {
            QCOMPARE(input->findChild<QLineEdit*>("codeEdit")->text(), QString("B"));
            Type(input, "nameEdit", "ABS 2");
            QTest::mouseClick(input->findChild<QPushButton*>("okButton"), Qt::LeftButton);
        });
        QTest::keyClick(view, Qt::Key_Return);
        QTest::mouseClick(table->findChild<QPushButton*>("closeButton"), Qt::LeftButton);
    });
    QCOMPARE(EditList(list, context), 1);
    QCOMPARE(list.Items.size(), std::size_t(2));
    QCOMPARE(list.Items[0].Code, std::string("A"));
    QCOMPARE(list.Items[0].Thickness, 5);
    QCOMPARE(list.Items[0].Price, 40);
    QCOMPARE(list.Items[0].Allowance, 300);
    QCOMPARE(list.Items[1].Code, std::string("B"));
    QCOMPARE(list.Items[1].Name, std::string("ABS 2"));  // edited, its own code kept
    QCOMPARE(list.Items[1].Thickness, 20);
    QCOMPARE(prompt.Shown, std::vector<std::string>{"エッジ記号「A」がすでにあります。"});
}

// The part dialog: なし first, then the bands; a code the table lacks is kept as it is.
void EdgeDlgTest::partDialogChoosesABandForEachEdge()
{
    CEdgeList edges;
    edges.Items = {{"A", "PVC 0.5", 5, 220, 40, 300, 0}, {"B", "ABS 2", 20, 220, 85, 300, 1}};
    CBuzai part;
    part.Name = "側板";
    part.EdgeRight = "Z";
    RecordingPrompt prompt;
    CBuzaiInDlg dialog(part, prompt, nullptr, &edges);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* top = dialog.findChild<QComboBox*>("edgeTopCombo");
    auto* left = dialog.findChild<QComboBox*>("edgeLeftCombo");
    auto* right = dialog.findChild<QComboBox*>("edgeRightCombo");
    QVERIFY(top != nullptr && left != nullptr && right != nullptr);
    QCOMPARE(top->count(), 3);
    QCOMPARE(top->itemText(0), QString("なし"));
    QCOMPARE(top->itemText(2), QString("B: ABS 2"));
    QCOMPARE(right->currentText(), QString("Z（エッジ材にありません）"));
    QTest::keyClick(top, Qt::Key_Down);
    QTest::keyClick(left, Qt::Key_Down);
    QTest::keyClick(left, Qt::Key_Down);
    dialog.accept();
    QCOMPARE(part.EdgeTop, std::string("A"));
    QCOMPARE(part.EdgeBottom, std::string());
    QCOMPARE(part.EdgeLeft, std::string("B"));
    QCOMPARE(part.EdgeRight, std::string("Z"));
}

QTEST_MAIN(EdgeDlgTest)
#include "EdgeDlgTest.moc"
