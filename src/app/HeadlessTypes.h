#pragma once

#include <functional>
#include <string>
#include <vector>

#include "base/TextFile.h"

// Exit statuses of `nestrix layout`; after a signal the status is 128 + its number
// (130 Ctrl-C, 143 SIGTERM, 129 SIGHUP).
inline constexpr int kExitPlaced = 0;         // a result; every output written
inline constexpr int kExitNothingPlaced = 1;  // nothing could be placed (the outputs say why)
inline constexpr int kExitBadInput = 2;       // bad usage or input file
inline constexpr int kExitInternal = 70;      // internal error of the calculation
inline constexpr int kExitCannotWrite = 74;   // an output file could not be written
inline constexpr int kExitSignalBase = 128;

struct BoardSource;
struct PrintSource;

// Whether the command is being stopped (a signal arrived): long makers check it between pages.
using StopFn = std::function<bool()>;

// A printout as PDF bytes; the program hands it in from its drawing side. False with `error`,
// or when stopped.
using PdfWriterFn = std::function<bool(const PrintSource& source, const StopFn& stopped, std::string& bytes,
                                       std::string& error)>;

// The pictures of the result's screens (`--png DIR`), as files of the folder.
using PngWriterFn = std::function<bool(const BoardSource& source, const StopFn& stopped,
                                       std::vector<NamedBytes>& files, std::string& error)>;
