#pragma once

#include "app/HeadlessTypes.h"

// `nestrix layout --boards B.csv --parts P.csv [...]`: a layout job without a window.
// argv[0] is "layout". Returns one of the exit statuses above. `--pdf-info`, `--pdf-cuts` and
// `--pdf-labels` need writePdf, `--png` needs writePng.
int RunLayoutCommand(int argc, char** argv, const PdfWriterFn& writePdf = {},
                     const PngWriterFn& writePng = {});

// `nestrix export IN.nestrix [outputs]`: the outputs of a job file's stored result, without
// calculating. argv[0] is "export". The statuses of `nestrix layout`.
int RunExportCommand(int argc, char** argv, const PdfWriterFn& writePdf = {},
                     const PngWriterFn& writePng = {});
