#include "base/TextCodec.h"

#include <cerrno>
#include <iconv.h>

namespace {

// One conversion with a fresh iconv descriptor; thread-safe because nothing is shared.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out)
{
    out.clear();
    if (in.empty()) {
        return true;
    }
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return false;
    }
    std::string result;
    result.resize(in.size() * 2 + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = 0;
    bool ok = true;
    while (srcLeft > 0) {
        char* dst = result.data() + used;
        std::size_t dstLeft = result.size() - used;
        const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = result.size() - dstLeft;
        if (rc == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                result.resize(result.size() * 2);
                continue;
            }
            ok = false;  // EILSEQ or EINVAL: invalid or incomplete sequence
            break;
        }
        // rc > 0 counts one-way mappings (e.g. U+301C to the CP932 wave dash); those are
        // exact characters of the target, unlike EILSEQ, which is a refusal.
    }
    if (ok) {
        char* dst = result.data() + used;
        std::size_t dstLeft = result.size() - used;
        if (iconv(cd, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
            ok = false;
        }
        used = result.size() - dstLeft;
    }
    iconv_close(cd);
    if (!ok) {
        return false;
    }
    result.resize(used);
    out = std::move(result);
    return true;
}

// Length in bytes of the UTF-8 sequence starting with lead, 0 when lead is not a lead byte.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

}  // namespace

bool Cp932ToUtf8(const std::string& cp932, std::string& utf8)
{
    return Convert("UTF-8", "CP932", cp932, utf8);
}

bool Utf8ToCp932(const std::string& utf8, std::string& cp932)
{
    return IsValidUtf8(utf8) && Convert("CP932", "UTF-8", utf8, cp932);
}

bool IsValidUtf8(const std::string& text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t n = SequenceLength(lead);
        if (n == 0 || i + n > text.size()) {
            return false;
        }
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
                return false;
            }
        }
        if (n == 3) {
            const unsigned char second = static_cast<unsigned char>(text[i + 1]);
            if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0)) {
                return false;  // overlong or surrogate
            }
        } else if (n == 4) {
            const unsigned char second = static_cast<unsigned char>(text[i + 1]);
            if ((lead == 0xF0 && second < 0x90) || (lead == 0xF4 && second >= 0x90)) {
                return false;
            }
        }
        i += n;
    }
    return true;
}

bool IsCp932Representable(const std::string& utf8)
{
    std::string ignored;
    return Utf8ToCp932(utf8, ignored);
}

long Cp932Length(const std::string& utf8)
{
    std::string bytes;
    if (!Utf8ToCp932(utf8, bytes)) {
        return -1;
    }
    return static_cast<long>(bytes.size());
}

std::string TruncateCp932(const std::string& utf8, std::size_t maxBytes)
{
    std::size_t used = 0;
    std::size_t i = 0;
    while (i < utf8.size()) {
        const std::size_t n = SequenceLength(static_cast<unsigned char>(utf8[i]));
        if (n == 0 || i + n > utf8.size()) {
            break;
        }
        std::string converted;
        // A character without a CP932 form is counted as two bytes (it is refused on saving).
        const std::size_t width = Utf8ToCp932(utf8.substr(i, n), converted) ? converted.size() : 2;
        if (used + width > maxBytes) {
            break;
        }
        used += width;
        i += n;
    }
    return utf8.substr(0, i);
}
