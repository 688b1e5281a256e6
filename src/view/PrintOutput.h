#pragma once

#include <functional>

#include <QImage>
#include <string>

#include "view/PrintPages.h"

class QPagedPaintDevice;

// Pages from..to (1-based, both included) of the printout onto a printer or a PDF writer, one
// sheet each. An index fault stops the printout; `error` says why. False then.
bool RenderPrintout(QPagedPaintDevice& device, const PrintSource& source, int from, int to,
                    std::string& error, const std::function<bool()>& stopped = {});

// The printout's name: the title of its PDF and its print job.
const char* PrintoutTitle(int kind);

// The whole printout as A4 PDF bytes. False with `error`, or when `stopped` says so between pages.
bool PrintoutPdf(const PrintSource& source, const std::function<bool()>& stopped, std::string& bytes,
                 std::string& error);

// One page as a white A4 picture of `dotsPerMm` pixels per millimetre (the preview's page).
QImage RenderPageImage(const PrintSource& source, int page, double dotsPerMm);
