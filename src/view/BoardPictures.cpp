#include "view/BoardPictures.h"

#include <QBuffer>
#include <QDir>
#include <QPainter>
#include <cstdio>

#include "base/TextFile.h"
#include "platform/qt/QtCanvas.h"
#include "result/RetData.h"
#include "view/ViewScreens.h"
#include "view/ViewState.h"

QImage RenderResultPicture(const BoardSource& source, int index)
{
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    QPainter painter(&image);
    QtCanvas dc(painter);
    ViewState view;
    view.ListScreen = index < 0 ? 1 : 0;
    PaintResultScreen(dc, source, view, index < 0 ? 0 : index, {0, 0, kPictureWidth, kPictureHeight});
    return image;
}

namespace {

bool PngBytes(const QImage& image, const std::string& name, std::vector<NamedBytes>& files, std::string& error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG")) {
        error = name + " cannot be encoded";
        return false;
    }
    files.push_back({name, buffer.data().toStdString()});
    return true;
}

}  // namespace

bool BoardPictureFiles(const BoardSource& source, const std::function<bool()>& stopped,
                       std::vector<NamedBytes>& files, std::string& error)
{
    const int count = static_cast<int>(source.Ret.Layouts.size());
    for (int i = 0; i < count; ++i) {
        if (stopped && stopped()) {
            error = "中断しました。";
            return false;
        }
        char name[32];
        std::snprintf(name, sizeof name, "board-%03d.png", i + 1);
        if (!PngBytes(RenderResultPicture(source, i), name, files, error)) {
            return false;
        }
    }
    return PngBytes(RenderResultPicture(source, -1), "boards.png", files, error);
}
