#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QUndoStack>
#include <QtTest>
#include <deque>
#include <functional>

#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/WhenModal.h"
#include "job/BuzaiDlg.h"
#include "job/GenbanDlg.h"
#include "job/ListEditor.h"
#include "job/NamedLists.h"

namespace {

// A parts list dialog whose input dialog names the part from a queue ("" = Cancel).
struct PartsDialog {
    CBuzaiList list;
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    std::deque<std::string> entered;
    int inputRuns = 0;
    bool Active = false;
    BuzaiListEditor editor;
    CListDlg dialog;

    explicit PartsDialog(CBuzaiList start)
        : list(std::move(start)),
          editor(list, settings, prompt, chooser,
                 [this](CBuzai& part) {
                     ++inputRuns;
                     const std::string name = entered.empty() ? "" : entered.front();
                     if (!entered.empty()) {
                         entered.pop_front();
                     }
                     part.Name = name;
                     return !name.empty();
                 }),
          dialog(
              "部材設定", BuzaiColumns(),
              [this](int row, int column) { return BuzaiCellText(list.Items.at(row), column); }, editor,
              false, QFont("monospace", 12))
    {
        dialog.show();
        Active = QTest::qWaitForWindowActive(&dialog);
    }
    QTableView* Table() { return dialog.Table(); }
    int ViewRow() { return Table()->selectionModel()->selectedRows().value(0, QModelIndex()).row(); }
    QPushButton* Button(const char* name) { return dialog.findChild<QPushButton*>(name); }
    QAbstractItemModel* model() { return Table()->model(); }
};

}  // namespace

class JobDlgTest : public QObject {
    Q_OBJECT
private slots:
    void listShowsColumnsAndTheEmptyRowSelected();
    void boardListShowsFourteenColumnsAndItsTexts();
    void keysOnTheTableRunTheButtons_data();
    void keysOnTheTableRunTheButtons();
    void enterOnAFocusedButtonPressesThatButton();
    void focusReturnsToTheTableAfterEveryButton();
    void doubleClickEditsThatRow();
    void clickedRowIsTheEditorsSelection();
    void moveButtonsKeepTheMovedBoardSelected();
    void partInputRefusesAndFocusesTheFirstBadField_data();
    void partInputRefusesAndFocusesTheFirstBadField();
    void partInputTabsFromFieldToField();
    void calculatorButtonFillsItsField();
    void boardInputStoresPriorityAndRefusesBadCount();
    void everyListChangeCanBeUndoneAndRedone_data();
    void everyListChangeCanBeUndoneAndRedone();
};

void JobDlgTest::listShowsColumnsAndTheEmptyRowSelected()
{
    CBuzaiList parts = Named<CBuzaiList>({"a", "b"});
    parts.Items[0].EdgeTop = "A";
    parts.Items[0].EdgeRight = "木";
    PartsDialog d(parts);
    QVERIFY(d.Active);
    QCOMPARE(d.dialog.windowTitle(), QString("部材設定"));
    QAbstractItemModel* model = d.Table()->model();
    QCOMPARE(model->columnCount(), 10);
    QCOMPARE(model->headerData(9, Qt::Horizontal).toString(), QString("エッジ"));
    QCOMPARE(model->index(0, 9).data().toString(), QString("A·-·-·木"));
    QCOMPARE(model->index(1, 9).data().toString(), QString());  // no band
    QCOMPARE(model->rowCount(), 3);
    QCOMPARE(model->headerData(7, Qt::Horizontal).toString(), QString("横置き"));
    QCOMPARE(model->index(1, 0).data().toString(), QString("  2"));
    QCOMPARE(model->index(1, 4).data().toString(), QString("  200.0"));
    QCOMPARE(model->index(1, 7).data().toString(), QString("可"));
    QCOMPARE(model->index(2, 1).data().toString(), QString());
    QCOMPARE(d.ViewRow(), 2);
    QCOMPARE(QApplication::focusWidget(), d.Table());
    const QFontMetrics metrics(d.Table()->font());
    for (int column = 0; column < 10; ++column) {
        const QString sample = BuzaiColumns()[column].Sample;
        QVERIFY2(d.Table()->columnWidth(column) >= metrics.horizontalAdvance(sample),
                 BuzaiColumns()[column].Title);
    }
}

void JobDlgTest::boardListShowsFourteenColumnsAndItsTexts()
{
    struct Case {
        int priority;
        const char* shown;
    };
    for (const Case& c : {Case{0, " 標準"}, {1, " 優先"}, {2, "最優先"}, {5, " 優先"}}) {
        CGenban board;
        board.Priority = c.priority;
        QCOMPARE(QString::fromStdString(GenbanCellText(board, 8)), QString(c.shown));
    }
    CGenban board;
    board.Price = 3500;
    board.TrimLeft = 55;
    QCOMPARE(QString::fromStdString(GenbanCellText(board, 7)), QString("  3500"));
    QCOMPARE(QString::fromStdString(GenbanCellText(board, 11)), QString("    5.5"));
    QCOMPARE(GenbanColumns().size(), std::size_t(14));
}

void JobDlgTest::keysOnTheTableRunTheButtons_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("names");
    QTest::addColumn<int>("inputRuns");
    QTest::newRow("Insert adds above the selected part") << int(Qt::Key_Insert) << 1 << "aNb" << 1;
    QTest::newRow("Delete removes the selected part") << int(Qt::Key_Delete) << 0 << "b" << 0;
    QTest::newRow("Enter edits the selected part") << int(Qt::Key_Return) << 1 << "aN" << 1;
    QTest::newRow("keypad Enter on the empty row adds") << int(Qt::Key_Enter) << 2 << "abN" << 1;
}

void JobDlgTest::keysOnTheTableRunTheButtons()
{
    QFETCH(int, key);
    QFETCH(int, row);
    QFETCH(QString, names);
    QFETCH(int, inputRuns);
    PartsDialog d(Named<CBuzaiList>({"a", "b"}));
    d.entered = {"N"};
    d.Table()->selectRow(row);
    QTest::keyClick(d.Table(), Qt::Key(key));
    QCOMPARE(QString::fromStdString(Names(d.list)), names);
    QCOMPARE(d.inputRuns, inputRuns);
    QVERIFY(d.dialog.isVisible());
}

void JobDlgTest::enterOnAFocusedButtonPressesThatButton()
{
    PartsDialog d(Named<CBuzaiList>({"a", "b", "c"}));
    d.entered = {"N"};
    d.Table()->selectRow(0);
    QPushButton* del = d.Button("deleteButton");
    del->setFocus();
    QTest::keyClick(del, Qt::Key_Return);  // 削除, not 編集
    QCOMPARE(QString::fromStdString(Names(d.list)), QString("bc"));
    QCOMPARE(d.inputRuns, 0);
    QPushButton* add = d.Button("addButton");
    add->setFocus();
    QTest::keyClick(add, Qt::Key_Insert);  // the keys belong to the table only
    QCOMPARE(d.inputRuns, 0);
}

void JobDlgTest::focusReturnsToTheTableAfterEveryButton()
{
    PartsDialog d(Named<CBuzaiList>({"a", "b"}));
    d.list.Saved = 1;
    const char* const buttons[] = {"addButton",  "editButton",     "deleteButton", "deleteAllButton",
                                   "loadButton", "loadMoreButton", "saveButton"};
    for (const char* name : buttons) {
        QPushButton* button = d.Button(name);
        QVERIFY2(button != nullptr, name);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY2(QApplication::focusWidget() == d.Table(), name);
    }
    QVERIFY(d.dialog.findChild<QPushButton*>("upButton") == nullptr);  // parts have no move buttons
    QTest::mouseClick(d.Button("closeButton"), Qt::LeftButton);
    QVERIFY(!d.dialog.isVisible());
}

void JobDlgTest::doubleClickEditsThatRow()
{
    PartsDialog d(Named<CBuzaiList>({"a", "b", "c"}));
    d.entered = {"N"};
    QTableView* table = d.Table();
    const QRect cell = table->visualRect(table->model()->index(1, 1));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(QString::fromStdString(Names(d.list)), QString("aNc"));
    QCOMPARE(d.inputRuns, 1);
}

void JobDlgTest::clickedRowIsTheEditorsSelection()
{
    PartsDialog d(Named<CBuzaiList>({"a", "b", "c"}));
    QTableView* table = d.Table();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                      table->visualRect(table->model()->index(0, 2)).center());
    QCOMPARE(d.editor.Selected(), 0);
    QTest::mouseClick(d.Button("deleteButton"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(Names(d.list)), QString("bc"));
    QCOMPARE(d.ViewRow(), 0);  // the next part moved up into the selected row
    d.entered = {"N"};
    QTest::mouseClick(d.Button("addButton"), Qt::LeftButton);
    QCOMPARE(QString::fromStdString(Names(d.list)), QString("Nbc"));
    QCOMPARE(d.ViewRow(), 1);
}

void JobDlgTest::moveButtonsKeepTheMovedBoardSelected()
{
    CGenbanList list;
    for (const char* name : {"x", "y", "z"}) {
        list.Items.emplace_back();
        list.Items.back().Name = name;
    }
    list.Renumber();
    Settings settings;
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    GenbanListEditor editor(list, settings, prompt, chooser, [](CGenban&) { return false; });
    CListDlg dialog(
        "原板設定", GenbanColumns(),
        [&list](int row, int column) { return GenbanCellText(list.Items.at(row), column); }, editor, true,
        QFont("monospace", 12));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QTableView* table = dialog.Table();
    QCOMPARE(table->model()->columnCount(), 14);
    table->selectRow(2);
    QTest::mouseClick(dialog.findChild<QPushButton*>("upButton"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QPushButton*>("upButton"), Qt::LeftButton);
    QCOMPARE(table->model()->index(0, 1).data().toString(), QString("z"));
    QCOMPARE(table->model()->index(0, 0).data().toString(), QString("  1"));
    QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 0);
    QTest::mouseClick(dialog.findChild<QPushButton*>("downButton"), Qt::LeftButton);
    QCOMPARE(table->model()->index(1, 1).data().toString(), QString("z"));
    QCOMPARE(table->selectionModel()->selectedRows().value(0).row(), 1);
    QCOMPARE(QApplication::focusWidget(), table);
}

void JobDlgTest::partInputRefusesAndFocusesTheFirstBadField_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("width 0") << "widthEdit"
                             << "0"
                             << "0.1 から 99999.9 までの数値を入力してください。";
    QTest::newRow("count 10000") << "countEdit"
                                 << "10000"
                                 << "1 から 9999 までの整数を入力してください。";
    QTest::newRow("name without a file form")
        << "nameEdit"
        << "板😀"
        << "「部材名」にファイルへ保存できない文字が含まれています。\n別の文字に置き換えてください。";
}

void JobDlgTest::partInputRefusesAndFocusesTheFirstBadField()
{
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QString, message);
    CBuzai part;
    RecordingPrompt prompt;
    CBuzaiInDlg dialog(part, prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(dialog.findChild<QLineEdit*>("widthEdit")->text(), QString("200"));
    auto* field = dialog.findChild<QLineEdit*>(edit);
    field->setText(text);
    QTest::keyClick(dialog.findChild<QLineEdit*>("remarkEdit"), Qt::Key_Return);
    QCOMPARE(prompt.Shown.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(prompt.Shown[0]), message);
    QVERIFY(dialog.isVisible());
    QCOMPARE(QApplication::focusWidget(), field);
    QCOMPARE(field->selectedText(), text);
    QCOMPARE(part.Width, 2000);  // nothing stored

    field->setText(edit == "nameEdit" ? "板" : "12mm");
    dialog.findChild<QCheckBox*>("noTurnCheck")->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(part.NoTurn, 1);
    if (edit == "widthEdit") {
        QCOMPARE(part.Width, 120);
    }
}

void JobDlgTest::partInputTabsFromFieldToField()
{
    CBuzai part;
    RecordingPrompt prompt;
    CBuzaiInDlg dialog(part, prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const char* const order[] = {"nameEdit",   "kindEdit",      "widthEdit",
                                 "heightEdit", "thicknessEdit", "countEdit"};
    QCOMPARE(QApplication::focusWidget()->objectName(), QString(order[0]));
    for (std::size_t i = 1; i < std::size(order); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString(order[i]));
    }
}

void JobDlgTest::calculatorButtonFillsItsField()
{
    CGenban board;
    RecordingPrompt prompt;
    CGenbanInDlg dialog(board, prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    const char* const pairs[][2] = {
        {"heightButton", "heightEdit"}, {"trimRightButton", "trimRightEdit"}, {"priceButton", "priceEdit"}};
    for (const auto& pair : pairs) {
        auto* field = dialog.findChild<QLineEdit*>(pair[1]);
        field->setText("910");
        WhenModal([](QWidget* calculator) {
            QCOMPARE(calculator->objectName(), QString("dentakuDialog"));
            QTest::keyClicks(calculator->findChild<QLineEdit*>("expressionEdit"), "/2");
            QTest::keyClick(calculator->findChild<QLineEdit*>("expressionEdit"), Qt::Key_Return);
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>(pair[0]), Qt::LeftButton);
        QCOMPARE(field->text(), QString("455"));
    }
}

void JobDlgTest::boardInputStoresPriorityAndRefusesBadCount()
{
    CGenban board;
    board.Priority = 1;
    RecordingPrompt prompt;
    CGenbanInDlg dialog(board, prompt);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QVERIFY(dialog.findChild<QRadioButton*>("preferredRadio")->isChecked());
    dialog.findChild<QLineEdit*>("countEdit")->setText("0");
    dialog.findChild<QLineEdit*>("priceEdit")->setText("1000000");
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(prompt.Shown, std::vector<std::string>{"0 から 999999 までの整数を入力してください。"});
    QCOMPARE(QApplication::focusWidget()->objectName(), QString("priceEdit"));
    dialog.findChild<QLineEdit*>("priceEdit")->setText("2500");
    dialog.findChild<QLineEdit*>("countEdit")->setText("999999");
    dialog.findChild<QRadioButton*>("mostPreferredRadio")->setChecked(true);
    QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(board.Count, 999999);
    QCOMPARE(board.Price, 2500);
    QCOMPARE(board.Priority, 2);
}

void JobDlgTest::everyListChangeCanBeUndoneAndRedone_data()
{
    QTest::addColumn<QString>("button");  // "" : the key
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::newRow("Insert") << "" << int(Qt::Key_Insert) << "aNbc";
    QTest::newRow("Delete") << "" << int(Qt::Key_Delete) << "ac";
    QTest::newRow("Enter edits") << "" << int(Qt::Key_Return) << "aNc";
    QTest::newRow("全削除") << "deleteAllButton" << 0 << "";
    QTest::newRow("読み込み") << "loadButton" << 0 << "PQ";
    QTest::newRow("追加読み込み") << "loadMoreButton" << 0 << "abcPQ";
}

// Each change, then Ctrl+Z: the list exactly as before (records, files, saved mark); Ctrl+Y and
// Ctrl+Shift+Z: the change again. A cancelled or refused command leaves nothing to undo.
void JobDlgTest::everyListChangeCanBeUndoneAndRedone()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(QString, after);
    QTemporaryDir dir;
    const QString file = dir.filePath("parts.csv");
    {
        CBuzaiList parts = Named<CBuzaiList>({"P", "Q"});
        RecordingPrompt quiet;
        QVERIFY(parts.Write(file.toStdString(), quiet));
    }
    PartsDialog d(Named<CBuzaiList>({"a", "b", "c"}));
    QVERIFY(d.Active);
    d.list.Saved = 1;
    d.list.Files = {"/shop/parts.csv"};
    const std::string before = d.list.ToText();
    d.entered = {"N"};
    d.prompt.Answers = {true};
    d.chooser.Files = {file.toStdString()};
    QPushButton* undo = d.Button("undoButton");
    QPushButton* redo = d.Button("redoButton");
    QVERIFY(undo != nullptr && redo != nullptr);
    QVERIFY(!undo->isEnabled());
    d.Table()->selectRow(1);
    if (button.isEmpty()) {
        QTest::keyClick(d.Table(), Qt::Key(key));
    } else {
        QTest::mouseClick(d.Button(button.toUtf8().constData()), Qt::LeftButton);
    }
    QCOMPARE(QString::fromStdString(Names(d.list)), after);
    const std::string changed = d.list.ToText();
    const std::vector<std::string> changedFiles = d.list.Files;
    const int changedSaved = d.list.Saved;
    QVERIFY(undo->isEnabled());

    QTest::keyClick(d.Table(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(d.list.ToText(), before);
    QCOMPARE(d.list.Files, std::vector<std::string>{"/shop/parts.csv"});
    QCOMPARE(d.list.Saved, 1);
    QCOMPARE(d.model()->rowCount(), 4);
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());

    QTest::keyClick(d.Table(), Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(d.list.ToText(), changed);
    QCOMPARE(d.list.Files, changedFiles);
    QCOMPARE(d.list.Saved, changedSaved);
    QTest::mouseClick(undo, Qt::LeftButton);
    QCOMPARE(d.list.ToText(), before);
    QTest::keyClick(d.Table(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(d.list.ToText(), changed);
    QVERIFY(d.editor.Changed() != 0);

    // Cancelled (an empty name, no file chosen, No): nothing new to undo.
    d.entered = {""};
    d.prompt.Answers = {false};
    d.chooser.Files.clear();
    QTest::keyClick(d.Table(), Qt::Key_Insert);
    QTest::mouseClick(d.Button("loadButton"), Qt::LeftButton);
    QCOMPARE(d.dialog.UndoStack()->count(), 1);
}

QTEST_MAIN(JobDlgTest)
#include "JobDlgTest.moc"
