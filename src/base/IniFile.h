#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "base/TextFile.h"

// An INI file handled like the Windows profile functions: section and key names match
// case-insensitively, blanks around names and values are ignored, and writing a key
// changes only that key's line, keeping every other line of the file.
class IniFile {
public:
    // A missing file is an empty one (Missing() tells). False when the file exists but cannot
    // be read: a folder, no permission, larger than kMaxBytes, or text that is neither UTF-8 nor
    // CP932; Problem() says which.
    bool Load(const std::string& path);
    bool Missing() const { return m_missing; }
    const std::string& Problem() const { return m_problem; }
    static constexpr std::size_t kMaxBytes = 1024 * 1024;
    void LoadText(const std::string& utf8Text);
    WriteResult Save(const std::string& path) const;
    std::string ToText() const;

    std::optional<std::string> Get(const std::string& section, const std::string& key) const;
    // The leading decimal number of the value (0 when there is none); the default when absent.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;
    std::string GetString(const std::string& section, const std::string& key,
                          const std::string& defaultValue) const;
    void Set(const std::string& section, const std::string& key, const std::string& value);

    // A key of a section and the 1-based line it stands on (the first of a repeated key wins
    // in Get, every one is listed here).
    struct KeyLine {
        std::size_t Line;
        std::string Key;
    };
    std::vector<KeyLine> KeysIn(const std::string& section) const;
    bool HasSection(const std::string& section) const;
    // Whether any line is more than blanks or a comment.
    bool HasContent() const;
    // Key names compare as the profile functions compare them (ASCII case ignored).
    static bool SameKey(const std::string& a, const std::string& b);

private:
    std::vector<std::string> m_lines;  // UTF-8, without line ends
    bool m_missing = false;
    std::string m_problem;
};
