#pragma once

#include <functional>
#include <vector>

#include "base/TextFile.h"

#include <QImage>
#include <string>

#include "view/BoardDrawing.h"

// Pictures of a result's screens without a window, drawn by the same code as the view.
inline constexpr int kPictureWidth = 1600;
inline constexpr int kPictureHeight = 1000;

// The detail screen of used board `index`, or with index -1 the list screen of all boards
// (the first one framed).
QImage RenderResultPicture(const BoardSource& source, int index);

// board-001.png … one per used board (numbered as the status bar numbers them) and boards.png
// with the list screen, as PNG bytes. False with `error`, or when `stopped` says so between
// pictures.
bool BoardPictureFiles(const BoardSource& source, const std::function<bool()>& stopped,
                       std::vector<NamedBytes>& files, std::string& error);
