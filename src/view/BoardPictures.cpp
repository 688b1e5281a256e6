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

bool WritePng(const QImage& image, const std::string& path, std::string& error)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG") ||
        WriteFileAtomically(path, buffer.data().toStdString()) != WriteStatus::Ok) {
        error = path + " cannot be written";
        return false;
    }
    return true;
}

}  // namespace

bool WriteBoardPictures(const std::string& dir, const BoardSource& source, std::string& error)
{
    if (!QDir().mkpath(QString::fromStdString(dir))) {
        error = "the folder " + dir + " cannot be created";
        return false;
    }
    const std::string folder = dir.empty() || dir.back() == '/' ? dir : dir + "/";
    const int count = static_cast<int>(source.Ret.Layouts.size());
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "board-%03d.png", i + 1);
        if (!WritePng(RenderResultPicture(source, i), folder + name, error)) {
            return false;
        }
    }
    return WritePng(RenderResultPicture(source, -1), folder + "boards.png", error);
}
