#include "platform/cp932.h"

#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace qvr::cp932 {

namespace {

// iconv descriptors are costly to open; the program has one thread, and each
// descriptor is reset before use, so one of each direction serves every call.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) { }
    ~Converter()
    {
        if (ok())
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // iconv_open reports failure with this pointer value.
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); } // NOLINT(performance-no-int-to-ptr)
    iconv_t get()
    {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        return cd_;
    }

private:
    iconv_t cd_;
};

Converter& toUtf16()
{
    thread_local Converter c("UTF-16LE", "CP932");
    return c;
}

Converter& fromUtf16()
{
    thread_local Converter c("CP932", "UTF-16LE");
    return c;
}

} // namespace

bool available() { return toUtf16().ok() && fromUtf16().ok(); }

std::u16string decode(std::string_view bytes)
{
    std::u16string out;
    if (bytes.empty())
        return out;
    Converter& conv = toUtf16();
    if (!conv.ok()) {
        for (unsigned char b : bytes)
            out.push_back(b < 0x80 ? char16_t(b) : u'\uFFFD');
        return out;
    }
    iconv_t cd = conv.get();
    out.resize(bytes.size()); // never more units than bytes
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* dst = reinterpret_cast<char*>(out.data());
    std::size_t dstLeft = out.size() * sizeof(char16_t);
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            break; // cannot happen: room for one unit per byte
        // EILSEQ or EINVAL: a byte that starts no character, or a lead byte at the end.
        char16_t bad = u'\uFFFD';
        std::memcpy(dst, &bad, sizeof bad);
        dst += sizeof bad;
        dstLeft -= sizeof bad;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(out.size() - dstLeft / sizeof(char16_t));
    return out;
}

std::optional<std::string> encode(std::u16string_view text)
{
    std::string out;
    if (text.empty())
        return out;
    Converter& conv = fromUtf16();
    if (!conv.ok())
        return std::nullopt;
    iconv_t cd = conv.get();
    out.resize(text.size() * 2); // at most two bytes per unit
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
    std::size_t inLeft = text.size() * sizeof(char16_t);
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    if (iconv(cd, &in, &inLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

std::size_t encodedLength(char32_t ch)
{
    std::u16string s;
    if (ch >= 0x10000) {
        ch -= 0x10000;
        s.push_back(char16_t(0xD800 + (ch >> 10)));
        s.push_back(char16_t(0xDC00 + (ch & 0x3FF)));
    } else {
        s.push_back(char16_t(ch));
    }
    auto bytes = encode(s);
    return bytes ? bytes->size() : 0;
}

std::string toUtf8(std::string_view bytes)
{
    const std::u16string units = decode(bytes);
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (units[++i] - 0xDC00);
        const auto put = [&](char32_t v) { out.push_back(static_cast<char>(v)); };
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | (c >> 6));
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | (c >> 12));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | (c >> 18));
            put(0x80 | ((c >> 12) & 0x3F));
            put(0x80 | ((c >> 6) & 0x3F));
            put(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace qvr::cp932
