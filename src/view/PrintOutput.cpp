#include "view/PrintOutput.h"

#include <QBuffer>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <cmath>
#include <stdexcept>

#include "base/TextFile.h"
#include "platform/qt/QtCanvas.h"

bool RenderPrintout(QPagedPaintDevice& device, const PrintSource& source, int from, int to,
                    std::string& error, const std::function<bool()>& stopped)
{
    QPainter painter;
    if (!painter.begin(&device)) {
        error = "印刷を開始できません。";
        return false;
    }
    bool ok = true;
    for (int page = from; page <= to; ++page) {
        if (stopped && stopped()) {
            error = "中断しました。";
            ok = false;
            break;
        }
        if (page > from && !device.newPage()) {
            error = "改ページできません。";
            ok = false;
            break;
        }
        QtCanvas dc(painter);
        try {
            DrawPrintPage(dc, source, page);
        } catch (const std::out_of_range& fault) {
            error = fault.what();
            ok = false;
            break;
        }
    }
    painter.end();
    return ok;
}

const char* PrintoutTitle(int kind)
{
    switch (kind) {
        case kPrintCutSheets: return "切断指示書";
        case kPrintLabels: return "ラベル";
        default: return "原板情報";
    }
}

bool PrintoutPdf(const PrintSource& source, const std::function<bool()>& stopped, std::string& bytes,
                 std::string& error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setCreator("Nestrix");
        writer.setTitle(PrintoutTitle(source.Kind));
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        if (!RenderPrintout(writer, source, 1, PageCount(source), error, stopped)) {
            return false;
        }
    }
    bytes = buffer.data().toStdString();
    return true;
}

QImage RenderPageImage(const PrintSource& source, int page, double dotsPerMm)
{
    const QSize size(static_cast<int>(std::lround(210 * dotsPerMm)),
                     static_cast<int>(std::lround(297 * dotsPerMm)));
    QImage image(size, QImage::Format_RGB32);
    image.setDotsPerMeterX(static_cast<int>(std::lround(dotsPerMm * 1000)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dotsPerMm * 1000)));
    image.fill(Qt::white);
    QPainter painter(&image);
    QtCanvas dc(painter);
    try {
        DrawPrintPage(dc, source, page);
    } catch (const std::out_of_range&) {
        // The page stops where its fault is; what was drawn stays, as on paper.
    }
    return image;
}
