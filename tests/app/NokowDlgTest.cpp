#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QMessageBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "app/MainFrame.h"
#include "app/NestrixApp.h"
#include "app/NokowDlg.h"
#include "base/Settings.h"
#include "fakes/RecordingFileChooser.h"
#include "fakes/RecordingPrompt.h"
#include "fakes/ScopedEnv.h"
#include "fakes/TempDir.h"
#include "fakes/WhenModal.h"
#include "view/Commands.h"
#include "view/NestrixView.h"

namespace {

// Runs `act` on the dialog once it is shown modally.
void WhenDialogShows(std::function<void(CNokowDlg&)> act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<CNokowDlg*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        act(*dialog);
    });
}

// Changes one control of every kind.
void EditEverything(CNokowDlg& dialog)
{
    dialog.findChild<QLineEdit*>("buzaiFolEdit")->setText("/typed/parts");
    dialog.findChild<QRadioButton*>("tankaRadio0")->setChecked(true);
    dialog.findChild<QCheckBox*>("outPrnPreCheck")->setChecked(false);
    dialog.findChild<QCheckBox*>("oldBikouCheck")->setChecked(true);
    dialog.findChild<QComboBox*>("maxCalCombo")->setCurrentIndex(4);
    // Typed as a user does: the whole field replaced by the new millimetres.
    auto* width = dialog.findChild<QSpinBox*>("offcutWidthSpin");
    width->setFocus();
    width->selectAll();
    QTest::keyClicks(width, "450");
    dialog.findChild<QSpinBox*>("offcutLengthSpin")->setValue(0);
    auto* premill = dialog.findChild<QDoubleSpinBox*>("edgePremillSpin");
    premill->setFocus();
    premill->selectAll();
    QTest::keyClicks(premill, "1.5");
}

}  // namespace

class NokowDlgTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheSettings();
    void okOrCancel_data();
    void okOrCancel();
    void browseFillsOnlyItsOwnEdit();
    void toolBarButtonOpensItAndRedraws();
    void labelPresetFillsTheSheetAndEditsLeaveIt();
    void okWithoutRoomForALabelStaysOpen();
};

void NokowDlgTest::showsTheSettings()
{
    Settings settings;
    settings.GenbanFol = "/boards";
    settings.TankaType = 1;
    settings.ColorPrint = 0;
    settings.MaxCal = 3;
    settings.MinOffcutW = 2505;  // tenths of a millimetre the spin box cannot show
    RecordingFileChooser chooser;
    CNokowDlg dialog(NokowValues::FromSettings(settings), chooser);

    QCOMPARE(dialog.windowTitle(), QString("初期設定"));
    QCOMPARE(dialog.findChild<QLineEdit*>("genbanFolEdit")->text(), QString("/boards"));
    QVERIFY(dialog.findChild<QRadioButton*>("tankaRadio1")->isChecked());
    QVERIFY(!dialog.findChild<QRadioButton*>("tankaRadio2")->isChecked());
    QVERIFY(!dialog.findChild<QCheckBox*>("colorPrintCheck")->isChecked());
    QVERIFY(dialog.findChild<QCheckBox*>("outCutMarkCheck")->isChecked());
    auto* combo = dialog.findChild<QComboBox*>("maxCalCombo");
    QCOMPARE(combo->count(), 5);
    QCOMPARE(combo->itemText(4), QString("16"));
    QCOMPARE(combo->currentText(), QString("8"));
    QCOMPARE(dialog.findChild<QSpinBox*>("offcutWidthSpin")->value(), 250);
    QCOMPARE(dialog.findChild<QSpinBox*>("offcutLengthSpin")->value(), 300);
    QCOMPARE(dialog.findChild<QPushButton*>("cancelButton")->text(), QString("ｷｬﾝｾﾙ"));
    // Unchanged controls give back what they were given.
    QVERIFY(dialog.Values() == NokowValues::FromSettings(settings));
}

void NokowDlgTest::okOrCancel_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("applied");
    QTest::newRow("OK") << "okButton" << true;
    QTest::newRow("Cancel") << "cancelButton" << false;
}

void NokowDlgTest::okOrCancel()
{
    QFETCH(QString, button);
    QFETCH(bool, applied);
    Settings settings;
    settings.UpdateMaxCalNum();
    const Settings before = settings;
    RecordingFileChooser chooser;
    WhenDialogShows([button](CNokowDlg& dialog) {
        EditEverything(dialog);
        QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
    });

    QCOMPARE(RunInitialSettings(settings, chooser, nullptr), applied);

    QCOMPARE(settings.BuzaiFol, applied ? std::string("/typed/parts") : before.BuzaiFol);
    QCOMPARE(settings.TankaType, applied ? 0 : before.TankaType);
    QCOMPARE(settings.OutPrnPre, applied ? 0 : before.OutPrnPre);
    QCOMPARE(settings.OldBikou, applied ? 1 : before.OldBikou);
    QCOMPARE(settings.MaxCal, applied ? 4 : before.MaxCal);
    QCOMPARE(settings.MaxCalNum, applied ? 16 : before.MaxCalNum);
    QCOMPARE(settings.MinOffcutW, applied ? 4500 : before.MinOffcutW);
    QCOMPARE(settings.MinOffcutL, applied ? 0 : before.MinOffcutL);
    QCOMPARE(settings.EdgePremill, applied ? 15 : before.EdgePremill);
}

void NokowDlgTest::browseFillsOnlyItsOwnEdit()
{
    Settings settings;
    settings.RetFol = "/old/cuts";
    settings.BuzaiFol = "/old/parts";
    RecordingFileChooser chooser;
    chooser.Files.push_back("/new/cuts");
    CNokowDlg dialog(NokowValues::FromSettings(settings), chooser);

    QTest::mouseClick(dialog.findChild<QPushButton*>("retFolBrowse"), Qt::LeftButton);
    // The second browse is cancelled: the edit keeps its text.
    QTest::mouseClick(dialog.findChild<QPushButton*>("buzaiFolBrowse"), Qt::LeftButton);

    QCOMPARE(dialog.findChild<QLineEdit*>("retFolEdit")->text(), QString("/new/cuts"));
    QCOMPARE(dialog.findChild<QLineEdit*>("buzaiFolEdit")->text(), QString("/old/parts"));
    QCOMPARE(chooser.Requests.size(), std::size_t(2));
    QCOMPARE(chooser.Requests[0].Options.InitialFolder, std::string("/old/cuts"));
    QCOMPARE(chooser.Requests[1].Options.InitialFolder, std::string("/old/parts"));
}

void NokowDlgTest::toolBarButtonOpensItAndRedraws()
{
    TempDir home;
    ScopedEnv env("NESTRIX_HOME", home.Path());
    RecordingPrompt prompt;
    RecordingFileChooser chooser;
    CNestrixApp app(&prompt, &chooser);
    QVERIFY(app.InitInstance());
    CNestrixView* view = app.MainFrame()->View();
    QVERIFY(QTest::qWaitForWindowExposed(app.MainFrame()));
    QTRY_VERIFY(view->SurfaceRedraws() > 0);
    const int redraws = view->SurfaceRedraws();

    WhenDialogShows([](CNokowDlg& dialog) {
        dialog.findChild<QComboBox*>("maxCalCombo")->setCurrentIndex(0);
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    app.MainFrame()->CommandAction(kCmdInitialSettings)->trigger();

    QCOMPARE(app.AppSettings().MaxCalNum, 4);
    QTRY_VERIFY(view->SurfaceRedraws() > redraws);
    app.ExitInstance();
}

void NokowDlgTest::labelPresetFillsTheSheetAndEditsLeaveIt()
{
    Settings settings;
    settings.LabelSkip = 3;
    RecordingFileChooser chooser;
    CNokowDlg dialog(NokowValues::FromSettings(settings), chooser);
    auto* preset = dialog.findChild<QComboBox*>("labelPresetCombo");
    QCOMPARE(preset->count(), 6);
    QCOMPARE(preset->currentIndex(), 0);  // the default sheet is the 12 label one
    QCOMPARE(dialog.findChild<QSpinBox*>("labelStartSpin")->value(), 4);

    // Chosen the way a user does, so that the combo's own signal fills the controls.
    preset->setFocus();
    QTest::keyClick(preset, Qt::Key_End);
    QCOMPARE(preset->currentIndex(), 5);  // その他 changes nothing
    QCOMPARE(dialog.Values().Labels, settings.Labels());
    QTest::keyClick(preset, Qt::Key_Up);
    LabelLayout expected = kLabelPresets[4].Layout;
    expected.Skip = 3;
    QCOMPARE(dialog.Values().Labels, expected);
    QCOMPARE(dialog.findChild<QDoubleSpinBox*>("labelMarginYSpin")->value(), 8.8);

    dialog.findChild<QDoubleSpinBox*>("labelGapYSpin")->setValue(0.5);
    QCOMPARE(preset->currentIndex(), 5);
    QCOMPARE(dialog.Values().Labels.GapY, 5);
    dialog.findChild<QDoubleSpinBox*>("labelGapYSpin")->setValue(0.0);
    QCOMPARE(preset->currentIndex(), 4);
}

void NokowDlgTest::okWithoutRoomForALabelStaysOpen()
{
    Settings settings;
    const LabelLayout before = settings.Labels();
    RecordingFileChooser chooser;
    QString shown;
    WhenDialogShows([&shown](CNokowDlg& dialog) {
        dialog.findChild<QSpinBox*>("labelColsSpin")->setValue(10);
        dialog.findChild<QDoubleSpinBox*>("labelMarginXSpin")->setValue(10.0);  // 19 mm labels
        WhenModal([&shown](QWidget* box) {
            shown = qobject_cast<QMessageBox*>(box)->text();
            QTest::keyClick(box, Qt::Key_Return);
            // Back in the settings: cancel them.
            WhenDialogShows([](CNokowDlg& again) {
                QTest::mouseClick(again.findChild<QPushButton*>("cancelButton"), Qt::LeftButton);
            });
        });
        QTest::mouseClick(dialog.findChild<QPushButton*>("okButton"), Qt::LeftButton);
    });
    QVERIFY(!RunInitialSettings(settings, chooser, nullptr));
    QVERIFY(shown.startsWith("ラベルが小さすぎます。"));
    QCOMPARE(settings.Labels(), before);
}

QTEST_MAIN(NokowDlgTest)
#include "NokowDlgTest.moc"
