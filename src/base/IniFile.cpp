#include "base/IniFile.h"

#include <cctype>
#include <cstdint>

#include "base/CsvLine.h"
#include "base/TextCodec.h"

namespace {

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return {};
    }
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (x != y && !(x < 0x80 && y < 0x80 && std::tolower(x) == std::tolower(y))) {
            return false;
        }
    }
    return true;
}

// The section name of a "[name]" line.
std::optional<std::string> SectionName(const std::string& line)
{
    const std::string trimmed = Trim(line);
    if (trimmed.size() < 2 || trimmed.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = trimmed.find(']');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    return Trim(trimmed.substr(1, close - 1));
}

// Key of a "key=value" line, nullopt for comments and other lines.
std::optional<std::string> KeyName(const std::string& line)
{
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const std::size_t equals = trimmed.find('=');
    if (equals == std::string::npos) {
        return std::nullopt;
    }
    return Trim(trimmed.substr(0, equals));
}

}  // namespace

bool IniFile::Load(const std::string& path)
{
    m_lines.clear();
    m_missing = false;
    m_problem.clear();
    std::string text;
    const ReadResult read = ReadWholeFile(path, text, kMaxBytes);
    if (read.Status == ReadStatus::Missing) {
        m_missing = true;
        return true;
    }
    if (!read.Ok()) {
        m_problem = read.Reason();
        return false;
    }
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        text.erase(0, 3);
        if (!IsValidUtf8(text)) {
            m_problem = "not UTF-8 text";
            return false;
        }
    } else if (!IsValidUtf8(text)) {
        std::string converted;
        if (!Cp932ToUtf8(text, converted)) {
            m_problem = "neither Shift-JIS nor UTF-8 text";
            return false;
        }
        text = std::move(converted);
    }
    if (text.find('\0') != std::string::npos) {
        m_problem = "not a text file";
        return false;
    }
    LoadText(text);
    return true;
}

void IniFile::LoadText(const std::string& utf8Text)
{
    m_lines.clear();
    std::size_t start = 0;
    while (start < utf8Text.size()) {
        // LF, CR LF or a CR alone (files of old Mac editors) end a line.
        std::size_t end = utf8Text.find_first_of("\r\n", start);
        if (end == std::string::npos) {
            end = utf8Text.size();
        }
        m_lines.push_back(utf8Text.substr(start, end - start));
        if (end + 1 < utf8Text.size() && utf8Text[end] == '\r' && utf8Text[end + 1] == '\n') {
            ++end;
        }
        start = end + 1;
    }
}

std::string IniFile::ToText() const
{
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += '\n';
    }
    return text;
}

WriteResult IniFile::Save(const std::string& path) const
{
    // CP932 like every other file; a folder name outside CP932 keeps the file in UTF-8 (with BOM).
    std::string bytes;
    if (EncodeForDisk(ToText(), bytes)) {
        return WriteFileAtomically(path, bytes);
    }
    bytes = "\xEF\xBB\xBF";
    for (char c : ToText()) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return WriteFileAtomically(path, bytes);
}

std::optional<std::string> IniFile::Get(const std::string& section, const std::string& key) const
{
    bool inSection = false;
    for (const std::string& line : m_lines) {
        if (const auto name = SectionName(line)) {
            inSection = SameName(*name, section);
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto lineKey = KeyName(line);
        if (lineKey && SameName(*lineKey, key)) {
            std::string value = Trim(line.substr(line.find('=') + 1));
            if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                value.back() == value.front()) {
                value = value.substr(1, value.size() - 2);
            }
            return value;
        }
    }
    return std::nullopt;
}

bool IniFile::HasSection(const std::string& section) const
{
    for (const std::string& line : m_lines) {
        if (const auto name = SectionName(line); name && SameName(*name, section)) {
            return true;
        }
    }
    return false;
}

std::vector<IniFile::KeyLine> IniFile::KeysIn(const std::string& section) const
{
    std::vector<KeyLine> keys;
    bool inSection = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (const auto name = SectionName(m_lines[i])) {
            inSection = SameName(*name, section);
        } else if (const auto key = KeyName(m_lines[i]); inSection && key) {
            keys.push_back({i + 1, *key});
        }
    }
    return keys;
}

bool IniFile::HasContent() const
{
    for (const std::string& line : m_lines) {
        const std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed.front() != ';') {
            return true;
        }
    }
    return false;
}

bool IniFile::SameKey(const std::string& a, const std::string& b)
{
    return SameName(a, b);
}

int IniFile::GetInt(const std::string& section, const std::string& key, int defaultValue) const
{
    const auto value = Get(section, key);
    if (!value) {
        return defaultValue;
    }
    std::int32_t number = 0;
    return ToInt(*value, number) ? number : 0;
}

std::string IniFile::GetString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) const
{
    return Get(section, key).value_or(defaultValue);
}

void IniFile::Set(const std::string& section, const std::string& key, const std::string& value)
{
    bool inSection = false;
    std::size_t sectionEnd = m_lines.size();  // where a new key of the section goes
    bool found = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (const auto name = SectionName(m_lines[i])) {
            if (inSection) {
                break;
            }
            inSection = SameName(*name, section);
            if (inSection) {
                found = true;
                sectionEnd = i + 1;
            }
            continue;
        }
        if (!inSection) {
            continue;
        }
        const auto lineKey = KeyName(m_lines[i]);
        if (lineKey && SameName(*lineKey, key)) {
            m_lines[i] = key + "=" + value;
            return;
        }
        if (!Trim(m_lines[i]).empty()) {
            sectionEnd = i + 1;
        }
    }
    if (!found) {
        m_lines.push_back("[" + section + "]");
        sectionEnd = m_lines.size();
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(sectionEnd), key + "=" + value);
}
