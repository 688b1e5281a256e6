#pragma once

#include <atomic>
#include <cstddef>
#include <iosfwd>
#include <string>
#include <vector>

// Set (from a signal handler) to stop every TextReader at its next line with an I/O fault, so
// that a stop request does not wait for a large file to be read.
extern std::atomic<int> g_stopReading;

// Reads a text file line by line. A line ends at LF, at CR LF (also CR CR LF, as some
// writers leave it) or at a CR alone. The bytes are UTF-8 when the file starts with the UTF-8
// byte order mark; else the first line with a byte above ASCII decides: UTF-8 when that line is
// valid UTF-8, CP932 otherwise. Every line comes out as UTF-8. Bytes that are not valid in the
// file's encoding are a file error, never silently altered. A line longer than kMaxLineBytes or
// a file larger than kMaxFileBytes is an error too (/dev/zero must not fill the memory).
class TextReader {
public:
    enum class Status { Line, End, Error };
    enum class Encoding { Undecided, Cp932, Utf8 };
    enum class Fault {
        None,
        Io,           // the stream failed
        Neither,      // the line that decides is neither UTF-8 nor CP932
        Encoding,     // bytes that are not valid in the file's encoding
        Utf8InCp932,  // a line of UTF-8 (with multibyte characters) in a CP932 file
        NoCp932Form,  // UTF-8 text without a CP932 form, where the reader needs one
        Utf16,        // the file is UTF-16 (a byte order mark, or zero bytes in the first line)
        LineTooLong,  // longer than kMaxLineBytes
        FileTooLarge  // more than kMaxFileBytes
    };
    static constexpr std::size_t kMaxLineBytes = 64 * 1024;
    static constexpr std::size_t kMaxFileBytes = 64 * 1024 * 1024;

    // needCp932: UTF-8 text must have a CP932 form (the program's own files hold CP932).
    explicit TextReader(std::istream& in, bool needCp932 = true);
    Status Next(std::string& line);

    // 1-based number of the line last returned, or of the line where the error was found.
    std::size_t LineNumber() const { return m_lineNumber; }
    Fault LastFault() const { return m_fault; }
    Encoding FileEncoding() const { return m_encoding; }
    // What an encoding fault means, for the messages ("Shift-JIS として読めない文字があります").
    std::string FaultText() const;

private:
    Status Fail(Fault fault);

    std::istream& m_in;
    bool m_needCp932 = true;
    bool m_first = true;
    Encoding m_encoding = Encoding::Undecided;
    std::size_t m_lineNumber = 0;
    std::size_t m_bytes = 0;         // bytes consumed so far
    std::size_t m_pendingEmpty = 0;  // empty lines still owed by a run of CRs
    Fault m_fault = Fault::None;
};

// Result of writing a whole file.
enum class WriteStatus {
    Ok,
    CannotCreate,  // the file (or its temporary sibling) could not be created
    Failed,        // writing, converting or replacing failed; the previous file is kept
    ReadOnly,      // the target is a read-only file: refused, as Windows refuses it
};

// What a write did: the status and the errno of the call that failed (0 when none).
struct WriteResult {
    WriteStatus Status = WriteStatus::Ok;
    int Error = 0;

    WriteResult() = default;
    WriteResult(WriteStatus status, int error = 0) : Status(status), Error(error) {}
    operator WriteStatus() const { return Status; }  // for code that only needs the status

    bool Ok() const { return Status == WriteStatus::Ok; }
    // The system's reason ("No space left on device"), "" when there is none.
    std::string Reason() const;
    friend bool operator==(const WriteResult& result, WriteStatus status) { return result.Status == status; }
};

// Converts UTF-8 text with "\n" line ends to CP932 with CR LF.
// False when a character has no CP932 form.
bool EncodeForDisk(const std::string& text, std::string& bytes);

// Writes the text (UTF-8, "\n" line ends) as CP932 with CR LF through WriteFileAtomically.
WriteResult WriteTextFile(const std::string& path, const std::string& text);

// Writes bytes without ever leaving a half-written file in place of a good one:
// - symbolic links are followed; the file they lead to is written;
// - a regular file (or a missing one) is written to a temporary sibling in the folder of the
//   resolved path and renamed over it when complete, keeping its mode and owner; a folder
//   where no sibling can be made is refused (CannotCreate with the reason); stale siblings of
//   the same target left by a killed process are removed;
// - a read-only regular file is refused (ReadOnly);
// - a device, FIFO or socket, and "-" for standard output, are written directly;
// - a failing write (a full disk, /dev/full) is Failed with its errno.
WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes);

// One file of a folder being written: its name in the folder and its bytes.
struct NamedBytes {
    std::string Name;
    std::string Bytes;
};

// Several files that change together or not at all: Stage writes each in full to its temporary
// sibling (with the rules of WriteFileAtomically); Commit renames them all over their targets,
// writes the direct ones (standard output, devices, pipes) and removes the files named by
// RemoveAtCommit. What is not committed is removed with the object, so a failure or a stop
// before Commit leaves every target as it was.
class StagedWrites {
public:
    StagedWrites() = default;
    ~StagedWrites();
    StagedWrites(const StagedWrites&) = delete;
    StagedWrites& operator=(const StagedWrites&) = delete;

    WriteResult Stage(const std::string& path, std::string bytes);
    void RemoveAtCommit(const std::string& path);
    // The first failure, with its path in *failedPath; later targets are left as they were.
    WriteResult Commit(std::string* failedPath = nullptr);
    void Discard();

private:
    struct Entry {
        std::string Target;  // resolved path
        std::string Temp;    // the staged sibling, "" once renamed
        std::string Bytes;   // for direct targets
        int Descriptor = -1;
        bool Direct = false;
        bool Existed = false;
    };
    std::vector<Entry> m_entries;
    std::vector<std::string> m_removals;
};

// Creates a new file with the bytes; never replaces anything (EEXIST when the name is taken).
// A partly written new file is removed.
WriteResult WriteNewFile(const std::string& path, const std::string& bytes);

// Result of reading a whole file.
enum class ReadStatus { Ok, Missing, Failed, Folder, TooLarge };
struct ReadResult {
    ReadStatus Status = ReadStatus::Ok;
    int Error = 0;  // errno of the failing call

    bool Ok() const { return Status == ReadStatus::Ok; }
    std::string Reason() const;
};

// All bytes of a file, at most maxBytes of them.
ReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes);

// What a path names, to tell whether two paths name one file: the device and inode of a file
// that exists, else the absolute path with its symbolic links followed.
struct FileIdentity {
    bool Exists = false;
    bool Device = false;  // a character device (/dev/null takes any number of writers)
    unsigned long long Dev = 0;
    unsigned long long Ino = 0;
    std::string Resolved;
};
FileIdentity IdentifyFile(const std::string& path);
// Whether both name one file; never for a character device.
bool SameFile(const FileIdentity& a, const FileIdentity& b);

// The text of an errno value, independent of the locale.
std::string ErrnoText(int error);
// The same for a Japanese message: the C library's Japanese text where the system has it,
// else the English text marked as the system's ("システム: Permission denied").
std::string SystemReason(int error);
