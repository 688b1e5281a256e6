#pragma once

#include <cstddef>
#include <string>

// Conversion between UTF-8 (inside) and CP932 (on disk). Both refuse rather than
// replace: false means the text has no exact form in the other encoding.
bool Cp932ToUtf8(const std::string& cp932, std::string& utf8);
bool Utf8ToCp932(const std::string& utf8, std::string& cp932);

bool IsValidUtf8(const std::string& text);
bool IsCp932Representable(const std::string& utf8);

// Bytes the text takes in CP932 (half-width 1, full-width 2); -1 when not representable.
long Cp932Length(const std::string& utf8);
// The longest prefix of at most maxBytes CP932 bytes, never cut inside a character.
std::string TruncateCp932(const std::string& utf8, std::size_t maxBytes);
