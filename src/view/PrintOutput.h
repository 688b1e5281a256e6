#pragma once

#include <QImage>
#include <string>

#include "view/PrintPages.h"

class QPagedPaintDevice;

// Pages from..to (1-based, both included) of the printout onto a printer or a PDF writer, one
// sheet each. An index fault stops the printout; `error` says why. False then.
bool RenderPrintout(QPagedPaintDevice& device, const PrintSource& source, int from, int to,
                    std::string& error);

// The whole printout as an A4 PDF; the file is replaced only when complete.
bool WritePrintoutPdf(const std::string& path, const PrintSource& source, std::string& error);

// One page as a white A4 picture of `dotsPerMm` pixels per millimetre (the preview's page).
QImage RenderPageImage(const PrintSource& source, int page, double dotsPerMm);
