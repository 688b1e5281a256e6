#pragma once

#include <iosfwd>
#include <string>

// Reads a text file line by line: a line ends at LF and one CR before it is removed.
// The bytes are CP932, or UTF-8 when the file starts with the UTF-8 byte order mark;
// every line comes out as UTF-8. Bytes that are not valid in the file's encoding are a
// file error, never silently altered.
class TextReader {
public:
    enum class Status { Line, End, Error };

    explicit TextReader(std::istream& in);
    Status Next(std::string& line);

private:
    std::istream& m_in;
    bool m_first = true;
    bool m_utf8 = false;
};

// Result of writing a whole text file.
enum class WriteStatus {
    Ok,
    CannotCreate,  // the file (or its temporary sibling) could not be created
    Failed,        // writing, converting or replacing failed; the previous file is kept
};

// Converts UTF-8 text with "\n" line ends to CP932 with CR LF.
// False when a character has no CP932 form.
bool EncodeForDisk(const std::string& text, std::string& bytes);

// Writes the text (UTF-8, "\n" line ends) as CP932 with CR LF. The bytes go to a temporary
// file in the same folder, which replaces the target only when complete.
WriteStatus WriteTextFile(const std::string& path, const std::string& text);
// Same, for bytes already encoded.
WriteStatus WriteFileAtomically(const std::string& path, const std::string& bytes);
