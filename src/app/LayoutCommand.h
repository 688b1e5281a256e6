#pragma once

// `nestrix layout --boards B.csv --parts P.csv [...]`: a layout job without a window.
// argv[0] is "layout". Exit status: 0 result written, 1 nothing could be placed,
// 2 bad input or usage, 70 internal error, 130 stopped by Ctrl-C.
int RunLayoutCommand(int argc, char** argv);
