#include "base/TextFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <csignal>
#include <vector>
#include <fcntl.h>
#include <istream>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/TextCodec.h"

namespace {

constexpr int kEof = std::char_traits<char>::eof();

bool HasMultibyte(const std::string& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return true;
        }
    }
    return false;
}

}  // namespace

TextReader::TextReader(std::istream& in, bool needCp932) : m_in(in), m_needCp932(needCp932) {}

std::string TextReader::FaultText() const
{
    switch (m_fault) {
        case Fault::Neither: return "UTF-8 でも Shift-JIS でもない文字があります";
        case Fault::Encoding:
            return m_encoding == Encoding::Utf8 ? "UTF-8 として読めない文字があります"
                                                : "Shift-JIS として読めない文字があります";
        case Fault::Utf8InCp932: return "Shift-JIS のファイルに UTF-8 の行があります";
        case Fault::NoCp932Form: return "Shift-JIS で表せない文字があります";
        default: return "";
    }
}

TextReader::Status TextReader::Fail(Fault fault)
{
    m_fault = fault;
    return Status::Error;
}

std::atomic<int> g_stopReading{0};
static_assert(std::atomic<int>::is_always_lock_free, "set from a signal handler");

TextReader::Status TextReader::Next(std::string& line)
{
    if (m_fault != Fault::None) {
        return Status::Error;
    }
    if (g_stopReading.load(std::memory_order_relaxed) != 0) {
        return Fail(Fault::Io);
    }
    if (m_pendingEmpty > 0) {
        --m_pendingEmpty;
        ++m_lineNumber;
        line.clear();
        return Status::Line;
    }
    std::streambuf* buffer = m_in.rdbuf();
    if (buffer == nullptr || !m_in.good()) {
        return m_in.bad() ? Fail(Fault::Io) : Status::End;
    }
    std::string raw;
    bool ended = false;  // a line end was read
    int c = kEof;
    while ((c = buffer->sbumpc()) != kEof) {
        if (++m_bytes > kMaxFileBytes) {
            ++m_lineNumber;
            return Fail(Fault::FileTooLarge);
        }
        if (c == '\n') {
            ended = true;
            break;
        }
        if (c == '\r') {
            // CR, CR LF and CR CR LF end one line; every further CR of a run ends an empty one.
            std::size_t crs = 1;
            while (buffer->sgetc() == '\r') {
                buffer->sbumpc();
                ++crs;
                ++m_bytes;
            }
            if (buffer->sgetc() == '\n') {
                buffer->sbumpc();
                ++m_bytes;
                crs = 1;
            }
            m_pendingEmpty = crs - 1;
            ended = true;
            break;
        }
        if (raw.size() >= kMaxLineBytes) {
            ++m_lineNumber;
            return Fail(Fault::LineTooLong);
        }
        raw += static_cast<char>(c);
    }
    if (!ended && raw.empty()) {
        return Status::End;
    }
    ++m_lineNumber;
    if (m_first) {
        m_first = false;
        if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            m_encoding = Encoding::Utf8;
            raw.erase(0, 3);
        }
    }
    if (m_lineNumber == 1 && (raw.compare(0, 2, "\xFF\xFE") == 0 || raw.compare(0, 2, "\xFE\xFF") == 0 ||
                              raw.find('\0') != std::string::npos)) {
        return Fail(Fault::Utf16);  // a byte order mark, or the zero bytes of ASCII in UTF-16
    }
    if (!HasMultibyte(raw)) {
        line = std::move(raw);  // ASCII reads the same in both
        return Status::Line;
    }
    const bool utf8 = IsValidUtf8(raw);
    if (m_encoding == Encoding::Undecided) {
        // CP932 text is almost never valid UTF-8 (its kana and common kanji start with bytes
        // that UTF-8 only continues with), while UTF-8 text often decodes as CP932 garbage.
        m_encoding = utf8 ? Encoding::Utf8 : Encoding::Cp932;
        if (!utf8 && !Cp932ToUtf8(raw, line)) {
            return Fail(Fault::Neither);
        }
    }
    if (m_encoding == Encoding::Utf8) {
        if (!utf8) {
            return Fail(Fault::Encoding);
        }
        // Text the CP932 files cannot hold is refused here, where it enters the program.
        if (m_needCp932 && !IsCp932Representable(raw)) {
            return Fail(Fault::NoCp932Form);
        }
        line = std::move(raw);
        return Status::Line;
    }
    if (utf8) {
        return Fail(Fault::Utf8InCp932);
    }
    if (!Cp932ToUtf8(raw, line)) {
        return Fail(Fault::Encoding);
    }
    return Status::Line;
}

std::string ErrnoText(int error)
{
    char buffer[256] = {};
    // GNU strerror_r returns the text, which need not be in the buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return text != nullptr ? text : "";
}

std::string SystemReason(int error)
{
    static const locale_t japanese = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "ja_JP.UTF-8", locale_t(0));
    const std::string english = ErrnoText(error);
    if (japanese != locale_t(0)) {
        const char* text = strerror_l(error, japanese);
        if (text != nullptr && english != text && IsValidUtf8(text)) {
            return text;
        }
    }
    return "システム: " + english;
}

std::string WriteResult::Reason() const
{
    if (Status == WriteStatus::ReadOnly) {
        return "read-only file";
    }
    return Error != 0 ? ErrnoText(Error) : std::string();
}

std::string ReadResult::Reason() const
{
    switch (Status) {
        case ReadStatus::Folder: return "is a folder";
        case ReadStatus::TooLarge: return "file too large";
        default: break;
    }
    return Error != 0 ? ErrnoText(Error) : std::string();
}

bool EncodeForDisk(const std::string& text, std::string& bytes)
{
    std::string cp932;
    if (!Utf8ToCp932(text, cp932)) {
        return false;
    }
    bytes.clear();
    bytes.reserve(cp932.size() + cp932.size() / 16);
    for (char c : cp932) {
        if (c == '\n') {
            bytes += '\r';
        }
        bytes += c;
    }
    return true;
}

WriteResult WriteTextFile(const std::string& path, const std::string& text)
{
    std::string bytes;
    if (!EncodeForDisk(text, bytes)) {
        return {WriteStatus::Failed, EILSEQ};
    }
    return WriteFileAtomically(path, bytes);
}

namespace {

// Writes everything; false with errno set when a write fails.
bool WriteAll(int fd, const std::string& bytes)
{
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

// An open descriptor the process already has (standard output): written, not closed.
WriteResult WriteToDescriptor(int fd, const std::string& bytes)
{
    if (!WriteAll(fd, bytes)) {
        return {WriteStatus::Failed, errno};
    }
    return {};
}

// A device, FIFO or socket: opened and written as it is.
WriteResult WriteDirectly(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return {WriteStatus::CannotCreate, errno};
    }
    WriteResult result = WriteToDescriptor(fd, bytes);
    if (::close(fd) != 0 && result.Ok()) {
        result = {WriteStatus::Failed, errno};
    }
    return result;
}

// "-", /dev/stdout, /dev/fd/N, /proc/self/fd/N: the descriptor itself, so that what is written
// follows what the process wrote there before; -1 for any other path.
int DescriptorOf(const std::string& path)
{
    if (path == "-" || path == "/dev/stdout") {
        return STDOUT_FILENO;
    }
    if (path == "/dev/stderr") {
        return STDERR_FILENO;
    }
    for (const char* prefix : {"/dev/fd/", "/proc/self/fd/"}) {
        const std::string head = prefix;
        if (path.size() > head.size() && path.compare(0, head.size(), head) == 0) {
            char* end = nullptr;
            const long fd = std::strtol(path.c_str() + head.size(), &end, 10);
            if (*end == '\0' && fd >= 0 && fd <= INT_MAX && ::fcntl(static_cast<int>(fd), F_GETFD) != -1) {
                return static_cast<int>(fd);
            }
        }
    }
    return -1;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

std::string NameOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The path a chain of symbolic links ends at, also when that file does not exist yet.
std::string FollowLinks(const std::string& path)
{
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            break;
        }
        char target[PATH_MAX];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
        if (n <= 0) {
            break;
        }
        const std::string next(target, static_cast<std::size_t>(n));
        current = next.front() == '/' ? next : FolderOf(current) + "/" + next;
    }
    return current;
}

// A sibling name that stays within the folder's name limit whatever the length of `name`.
std::string TemporaryName(const std::string& folder, const std::string& name)
{
    static std::atomic<unsigned> counter{0};
    const std::string suffix =
        ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(counter.fetch_add(1));
    long limit = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    if (limit <= 0) {
        limit = NAME_MAX;
    }
    const std::size_t room = static_cast<std::size_t>(limit) - 1 - suffix.size();
    std::string stem = name.substr(0, room);
    // Never cut a UTF-8 character in half.
    while (stem.size() < name.size() && !stem.empty() &&
           (static_cast<unsigned char>(name[stem.size()]) & 0xC0) == 0x80) {
        stem.pop_back();
    }
    return folder + "/." + stem + suffix;
}

// Rewrites a file in place (a mount point that no rename can replace). The old bytes are held
// in memory and written back when the new ones cannot be written completely.
WriteResult RewriteInPlace(const std::string& path, const std::string& bytes)
{
    std::string old;
    const ReadResult read = ReadWholeFile(path, old, static_cast<std::size_t>(-1) / 2);
    if (!read.Ok()) {
        return {WriteStatus::CannotCreate, read.Error};
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return {WriteStatus::CannotCreate, errno};
    }
    WriteResult result;
    if (!WriteAll(fd, bytes) || ::ftruncate(fd, static_cast<off_t>(bytes.size())) != 0 || ::fsync(fd) != 0) {
        result = {WriteStatus::Failed, errno};
        if (::lseek(fd, 0, SEEK_SET) == 0 && WriteAll(fd, old)) {
            (void)::ftruncate(fd, static_cast<off_t>(old.size()));
            (void)::fsync(fd);
        }
    }
    if (::close(fd) != 0 && result.Ok()) {
        result = {WriteStatus::Failed, errno};
    }
    return result;
}

// Writes the bytes of a file just created and closes it; a file that is not complete is removed.
WriteResult FillNewFile(int fd, const std::string& path, const std::string& bytes)
{
    WriteResult result;
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        result = {WriteStatus::Failed, errno};
    }
    if (::close(fd) != 0 && result.Ok()) {
        result = {WriteStatus::Failed, errno};
    }
    if (!result.Ok()) {
        ::unlink(path.c_str());
    }
    return result;
}

// Whether `entry` is a temporary sibling of `name` ("." + name + ".tmpPID_N") left by a process
// that no longer runs (killed between writing and renaming).
bool IsStaleTemporary(const std::string& entry, const std::string& name)
{
    const std::string head = "." + name + ".tmp";
    if (entry.size() <= head.size() || entry.compare(0, head.size(), head) != 0) {
        return false;
    }
    const std::string rest = entry.substr(head.size());
    const std::size_t underscore = rest.find('_');
    if (underscore == 0 || underscore == std::string::npos || underscore + 1 == rest.size() ||
        rest.find_first_not_of("0123456789_") != std::string::npos ||
        rest.find('_', underscore + 1) != std::string::npos || underscore > 9) {
        return false;
    }
    const long pid = std::strtol(rest.c_str(), nullptr, 10);
    return pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Removes the stale temporaries of a target (only names of our own making).
void RemoveStaleTemporaries(const std::string& folder, const std::string& name)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        if (IsStaleTemporary(entry->d_name, name)) {
            stale.push_back(folder + "/" + entry->d_name);
        }
    }
    ::closedir(dir);
    for (const std::string& path : stale) {
        ::unlink(path.c_str());
    }
}

bool IsReadOnly(const std::string& path, const struct stat& info)
{
    // Root may write anything; a file without any write permission still counts as read-only.
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

}  // namespace

StagedWrites::~StagedWrites()
{
    Discard();
}

void StagedWrites::Discard()
{
    for (const Entry& entry : m_entries) {
        if (!entry.Temp.empty()) {
            ::unlink(entry.Temp.c_str());
        }
    }
    m_entries.clear();
    m_removals.clear();
}

WriteResult StagedWrites::Stage(const std::string& path, std::string bytes)
{
    Entry entry;
    entry.Target = path;
    if (const int fd = DescriptorOf(path); fd >= 0) {
        entry.Descriptor = fd;
        entry.Bytes = std::move(bytes);
        m_entries.push_back(std::move(entry));
        return {};
    }
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (!exists && errno != ENOENT) {
        return {WriteStatus::CannotCreate, errno};
    }
    if (exists && S_ISDIR(info.st_mode)) {
        return {WriteStatus::CannotCreate, EISDIR};
    }
    if (exists && !S_ISREG(info.st_mode)) {
        entry.Direct = true;  // a device, FIFO or socket
        entry.Bytes = std::move(bytes);
        m_entries.push_back(std::move(entry));
        return {};
    }
    if (exists && IsReadOnly(path, info)) {
        return {WriteStatus::ReadOnly, EACCES};
    }
    if (exists) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) {
            return {WriteStatus::CannotCreate, errno};
        }
        entry.Target = resolved;
    } else {
        // Missing, or a link to a file that does not exist yet: created where the link points.
        entry.Target = FollowLinks(path);
    }
    const std::string folder = FolderOf(entry.Target);
    RemoveStaleTemporaries(folder, NameOf(entry.Target));
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        entry.Temp = TemporaryName(folder, NameOf(entry.Target));
        // A fresh name; O_EXCL never opens someone else's file.
        fd = ::open(entry.Temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        // A folder that takes no new file is refused: rewriting in place could leave a mix of
        // new and old bytes if the process were killed halfway.
        return {WriteStatus::CannotCreate, errno};
    }
    if (exists) {
        // Same mode and, where allowed, the same owner as the file being replaced.
        (void)::fchown(fd, info.st_uid, info.st_gid);
        (void)::fchmod(fd, info.st_mode & 07777);
    }
    if (const WriteResult result = FillNewFile(fd, entry.Temp, bytes); !result.Ok()) {
        return result;
    }
    entry.Existed = exists;
    m_entries.push_back(std::move(entry));
    return {};
}

void StagedWrites::RemoveAtCommit(const std::string& path)
{
    m_removals.push_back(path);
}

WriteResult StagedWrites::Commit(std::string* failedPath)
{
    WriteResult first;
    auto fail = [&](const WriteResult& result, const std::string& path) {
        if (first.Ok()) {
            first = result;
            if (failedPath != nullptr) {
                *failedPath = path;
            }
        }
    };
    for (Entry& entry : m_entries) {
        if (!first.Ok()) {
            break;
        }
        if (entry.Descriptor >= 0) {
            fail(WriteToDescriptor(entry.Descriptor, entry.Bytes), entry.Target);
            continue;
        }
        if (entry.Direct) {
            fail(WriteDirectly(entry.Target, entry.Bytes), entry.Target);
            continue;
        }
        if (std::rename(entry.Temp.c_str(), entry.Target.c_str()) == 0) {
            entry.Temp.clear();
            continue;
        }
        const int error = errno;
        // A file that no rename can replace (a mount point) is still writable in place.
        if (entry.Existed && (error == EBUSY || error == EXDEV)) {
            std::string bytes;
            const ReadResult read = ReadWholeFile(entry.Temp, bytes, static_cast<std::size_t>(-1) / 2);
            fail(read.Ok() ? RewriteInPlace(entry.Target, bytes) : WriteResult{WriteStatus::Failed, read.Error},
                 entry.Target);
            continue;
        }
        fail({WriteStatus::Failed, error}, entry.Target);
    }
    if (first.Ok()) {
        for (const std::string& path : m_removals) {
            if (::unlink(path.c_str()) != 0 && errno != ENOENT) {
                fail({WriteStatus::Failed, errno}, path);
                break;
            }
        }
    }
    Discard();
    return first;
}

WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes)
{
    StagedWrites write;
    const WriteResult staged = write.Stage(path, bytes);
    return staged.Ok() ? write.Commit() : staged;
}

WriteResult WriteNewFile(const std::string& path, const std::string& bytes)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        return {WriteStatus::CannotCreate, errno};
    }
    return FillNewFile(fd, path, bytes);
}

FileIdentity IdentifyFile(const std::string& path)
{
    FileIdentity id;
    std::error_code error;
    const std::filesystem::path followed = FollowLinks(path);
    id.Resolved = std::filesystem::weakly_canonical(std::filesystem::absolute(followed, error), error).string();
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        id.Exists = true;
        id.Device = S_ISCHR(info.st_mode);
        id.Dev = info.st_dev;
        id.Ino = info.st_ino;
    }
    return id;
}

bool SameFile(const FileIdentity& a, const FileIdentity& b)
{
    if (a.Exists && b.Exists) {
        return !a.Device && a.Dev == b.Dev && a.Ino == b.Ino;
    }
    return !a.Resolved.empty() && a.Resolved == b.Resolved;
}

ReadResult ReadWholeFile(const std::string& path, std::string& bytes, std::size_t maxBytes)
{
    bytes.clear();
    if (g_stopReading.load(std::memory_order_relaxed) != 0) {
        return {ReadStatus::Failed, EINTR};  // a stop came first: never wait on a pipe for it
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed, errno};
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        ::close(fd);
        return {ReadStatus::Folder, EISDIR};
    }
    ReadResult result;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR && g_stopReading.load(std::memory_order_relaxed) == 0) {
                continue;
            }
            result = {ReadStatus::Failed, errno};
            break;
        }
        if (n == 0) {
            break;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            result = {ReadStatus::TooLarge, EFBIG};
            break;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!result.Ok()) {
        bytes.clear();
    }
    return result;
}
