#include <QApplication>
#include <QFileDialog>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "fakes/TempDir.h"
#include "platform/qt/QtCanvas.h"
#include "platform/qt/QtFileChooser.h"
#include "platform/qt/QtPrompt.h"

namespace {

// 254 dots per inch: one 0.1 mm unit is one pixel on the y-up mapping.
QImage Page(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    return image;
}

bool Inked(const QImage& image, const QRect& area)
{
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                return true;
            }
        }
    }
    return false;
}

}  // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT
private slots:
    void nameFiltersFromDesktopFilters_data();
    void nameFiltersFromDesktopFilters();
    void gothicFontHasTheRequestedCellHeight();
    void rectanglesLeaveOutTheirRightAndBottomEdges();
    void pageMappingPutsTheTopAtZeroAndKeepsTextUpright();
    void escapementTurnsTextUpwards();
    void saveDialogIsSetUpFromTheOptions();
    void questionDefaultsToNo();
};

void QtPlatformTest::nameFiltersFromDesktopFilters_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("parts") << "部材データ (*.csv)|*.csv||"
                           << "部材データ (*.csv)";
    QTest::newRow("no patterns in the text") << "原板データ|*.csv||"
                                             << "原板データ (*.csv)";
    QTest::newRow("two pairs") << "CSV (*.csv)|*.csv|すべて (*.*)|*.*||"
                               << "CSV (*.csv);;すべて (*.*)";
    QTest::newRow("several patterns") << "表|*.csv;*.txt||"
                                      << "表 (*.csv *.txt)";
    QTest::newRow("empty") << ""
                           << "";
}

void QtPlatformTest::nameFiltersFromDesktopFilters()
{
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(QtNameFilters(filter.toStdString()), expected);
}

void QtPlatformTest::gothicFontHasTheRequestedCellHeight()
{
    QImage image = Page(200, 100);
    QPainter painter(&image);
    QtCanvas dc(painter);
    for (int height : {16, 20, 38}) {
        CanvasFont font;
        font.Height = height;
        dc.SelectFont(font);
        const CanvasSize w = dc.TextExtent("W");
        QCOMPARE(w.Height, height);
        // Fixed pitch: a full-width character is two half-width ones.
        QCOMPARE(dc.TextExtent("原").Width, 2 * w.Width);
        QCOMPARE(dc.TextExtent("WW").Width, 2 * w.Width);
    }
}

void QtPlatformTest::rectanglesLeaveOutTheirRightAndBottomEdges()
{
    QImage image = Page(40, 40);
    {
        QPainter painter(&image);
        QtCanvas dc(painter);
        dc.SelectPen(CanvasPen{1, CanvasColor{255, 0, 0}});
        dc.Rectangle(CanvasRect{10, 10, 20, 20});
        dc.FillRect(CanvasRect{30, 30, 35, 35}, CanvasColor{0, 0, 255});
    }
    QCOMPARE(image.pixel(10, 10), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(19, 19), qRgb(255, 0, 0));
    QCOMPARE(image.pixel(20, 20), qRgb(255, 255, 255));
    QCOMPARE(image.pixel(15, 15), qRgb(255, 255, 255));  // outline only
    QCOMPARE(image.pixel(34, 34), qRgb(0, 0, 255));
    QCOMPARE(image.pixel(35, 35), qRgb(255, 255, 255));
}

void QtPlatformTest::pageMappingPutsTheTopAtZeroAndKeepsTextUpright()
{
    QImage image = Page(300, 300);
    QImage upright = Page(300, 300);
    {
        QPainter painter(&image);
        QtCanvas dc(painter);
        QCOMPARE(dc.SetMapMode(MapMode::TenthMillimetres), MapMode::Pixels);
        dc.FillRect(CanvasRect{0, 0, 100, -50}, kBlack);
        CanvasFont font;
        font.Height = 40;
        dc.SelectFont(font);
        dc.SetTransparentText(true);
        dc.TextOut(150, -100, "T");
    }
    {
        QPainter painter(&upright);
        QtCanvas dc(painter);
        CanvasFont font;
        font.Height = 40;
        dc.SelectFont(font);
        dc.SetTransparentText(true);
        dc.TextOut(150, 100, "T");
    }
    QCOMPARE(image.pixel(50, 25), qRgb(0, 0, 0));
    QCOMPARE(image.pixel(50, 60), qRgb(255, 255, 255));
    // The text cell hangs below its top-left corner and reads like the same text on pixels.
    QVERIFY(!Inked(image, QRect(110, 0, 190, 100)));
    QVERIFY(Inked(image, QRect(150, 100, 40, 40)));
    QCOMPARE(image.copy(100, 100, 150, 60), upright.copy(100, 100, 150, 60));
}

void QtPlatformTest::escapementTurnsTextUpwards()
{
    QImage image = Page(200, 200);
    {
        QPainter painter(&image);
        QtCanvas dc(painter);
        CanvasFont font;
        font.Height = 20;
        font.Escapement = 900;
        dc.SelectFont(font);
        dc.SetTransparentText(true);
        dc.TextOut(100, 150, "ABCDEF");
    }
    // Runs up from (100, 150), the cell lying to the right of x = 100.
    QVERIFY(Inked(image, QRect(100, 90, 20, 60)));
    QVERIFY(!Inked(image, QRect(0, 151, 200, 49)));
    QVERIFY(!Inked(image, QRect(0, 0, 99, 200)));
}

void QtPlatformTest::saveDialogIsSetUpFromTheOptions()
{
    TempDir folder;
    QtFileChooser chooser;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog != nullptr);
        seen = true;
        QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog->defaultSuffix(), QString("csv"));
        QCOMPARE(dialog->nameFilters(), QStringList{"部材データ (*.csv)"});
        QCOMPARE(QDir(dialog->directory()).canonicalPath(),
                 QDir(QString::fromStdString(folder.Path())).canonicalPath());
        QVERIFY(!dialog->testOption(QFileDialog::DontConfirmOverwrite));
        dialog->reject();
    });
    const std::optional<std::string> chosen =
        chooser.SaveFile({"部材データ (*.csv)|*.csv||", "csv", folder.Path(), ""});
    QVERIFY(seen);
    QVERIFY(!chosen);
}

void QtPlatformTest::questionDefaultsToNo()
{
    QtPrompt prompt;
    QString text;
    bool noIsDefault = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        text = box->text();
        noIsDefault = box->defaultButton() == box->button(QMessageBox::No);
        QTest::keyClick(box, Qt::Key_Return);  // the default button
    });
    QVERIFY(!prompt.AskYesNo("続けますか？"));
    QCOMPARE(text, QString("続けますか？"));
    QVERIFY(noIsDefault);
}

QTEST_MAIN(QtPlatformTest)
#include "QtPlatformTest.moc"
