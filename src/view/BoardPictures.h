#pragma once

#include <QImage>
#include <string>

#include "view/BoardDrawing.h"

// Pictures of a result's screens without a window, drawn by the same code as the view.
inline constexpr int kPictureWidth = 1600;
inline constexpr int kPictureHeight = 1000;

// The detail screen of used board `index`, or with index -1 the list screen of all boards
// (the first one framed).
QImage RenderResultPicture(const BoardSource& source, int index);

// DIR/board-001.png … one per used board (numbered as the status bar numbers them) and
// DIR/boards.png with the list screen. DIR is created when missing; every file is replaced
// only when complete. False with `error` set when something cannot be written.
bool WriteBoardPictures(const std::string& dir, const BoardSource& source, std::string& error);
