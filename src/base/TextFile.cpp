#include "base/TextFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <istream>
#include <unistd.h>
#include <sys/stat.h>

#include "base/TextCodec.h"

TextReader::TextReader(std::istream& in) : m_in(in) {}

TextReader::Status TextReader::Next(std::string& line)
{
    std::string raw;
    if (!std::getline(m_in, raw)) {
        if (m_in.bad()) {
            return Status::Error;
        }
        if (raw.empty()) {
            return Status::End;
        }
    }
    if (m_in.bad()) {
        return Status::Error;
    }
    if (m_first) {
        m_first = false;
        if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            m_utf8 = true;
            raw.erase(0, 3);
        }
    }
    if (!raw.empty() && raw.back() == '\r') {
        raw.pop_back();
    }
    if (m_utf8) {
        // Text the CP932 files cannot hold is refused here, where it enters the program.
        if (!IsValidUtf8(raw) || !IsCp932Representable(raw)) {
            return Status::Error;
        }
        line = std::move(raw);
        return Status::Line;
    }
    return Cp932ToUtf8(raw, line) ? Status::Line : Status::Error;
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

WriteStatus WriteTextFile(const std::string& path, const std::string& text)
{
    std::string bytes;
    if (!EncodeForDisk(text, bytes)) {
        return WriteStatus::Failed;
    }
    return WriteFileAtomically(path, bytes);
}

WriteStatus WriteFileAtomically(const std::string& path, const std::string& bytes)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // A sibling with a fresh name; O_EXCL never opens someone else's file.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder + "/." + name + ".tmp" + std::to_string(::getpid()) + "_" +
               std::to_string(counter.fetch_add(1));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            break;
        }
    }
    if (fd < 0) {
        return WriteStatus::CannotCreate;
    }
    // Keep the permissions of the file being replaced.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        ::fchmod(fd, existing.st_mode & 07777);
    }
    bool ok = true;
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0) {
            ok = false;
        } else {
            written += static_cast<std::size_t>(n);
        }
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return WriteStatus::Failed;
    }
    return WriteStatus::Ok;
}
