#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A QR code's modules, row by row, without the quiet zone.
struct QrCode {
    int Size = 0;                       // modules per side
    std::vector<std::uint8_t> Modules;  // 1 dark

    bool Dark(int x, int y) const { return Modules[static_cast<std::size_t>(y) * Size + x] != 0; }
};

// The text as UTF-8 bytes behind an ECI header that says so (readers would otherwise guess
// Shift-JIS for Japanese), error correction M. False when nothing can hold it.
bool EncodeQr(const std::string& text, QrCode& code);
