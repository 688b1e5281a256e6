#pragma once

// `nestrix layout --boards B.csv --parts P.csv [...]`: a layout job without a window.
// argv[0] is "layout". Exit status: 0 result written, 1 nothing could be placed,
// 2 bad input or usage, 70 internal error, 130 stopped by Ctrl-C.
#include <functional>
#include <string>

struct BoardSource;
struct PrintSource;

// Writes a printout as a PDF file; the program hands it in from its drawing side.
using PdfWriterFn =
    std::function<bool(const std::string& path, const PrintSource& source, std::string& error)>;

// Writes the pictures of the result's screens into a folder (`--png DIR`).
using PngWriterFn =
    std::function<bool(const std::string& dir, const BoardSource& source, std::string& error)>;

// `--pdf-info` and `--pdf-cuts` need writePdf, `--png` needs writePng.
int RunLayoutCommand(int argc, char** argv, const PdfWriterFn& writePdf = {},
                     const PngWriterFn& writePng = {});
