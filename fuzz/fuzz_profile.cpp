// Settings file: reads stay within their limits, and a write changes only its own key.
//
// The first byte picks the key and the value written; the rest is the file.
#include "fuzzcheck.h"

#include "settings/profilefile.h"

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

using namespace qvr;

namespace {

using Name = std::pair<std::string_view, std::string_view>;

constexpr std::array<Name, 8> NAMES{{{"SYSTEM", "SFile"}, {"LAST", "LastFile"}, {"LAST", "DispMode"},
    {"OPTION", "OutMemo"}, {"option", "outstatus"}, {"S", "k"}, {"\x83\x41", "\x83\x5D"}, {"", ""}}};

constexpr std::array<std::string_view, 4> VALUES{"1", "", "C:\\a b\\c.pd3", "\x82\xA0 x=y"};

// Raw lines, each with its own line end.
std::vector<std::string_view> rawLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t i = text.find_first_of("\r\n", start);
        std::size_t next = text.size();
        if (i != std::string_view::npos)
            next = (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? i + 2 : i + 1;
        lines.push_back(text.substr(start, next - start));
        start = next;
    }
    return lines;
}

// True when `after` is `before` with 1 to 3 lines inserted in one place.
bool onlyInserted(const std::vector<std::string_view>& before, const std::vector<std::string_view>& after)
{
    if (after.size() < before.size() + 1 || after.size() > before.size() + 3)
        return false;
    std::size_t p = 0;
    while (p < before.size() && before[p] == after[p])
        ++p;
    std::size_t q = 0;
    while (q < before.size() - p && before[before.size() - 1 - q] == after[after.size() - 1 - q])
        ++q;
    return p + q == before.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const Name target = NAMES[data[0] % NAMES.size()];
    const std::string_view value = VALUES[(data[0] / NAMES.size()) % VALUES.size()];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    auto file = ProfileFile::fromBytes("fuzz.INI", text);
    for (const auto& [section, key] : NAMES) {
        FUZZ_CHECK(file.readString(section, key, "").size() <= PROFILE_VALUE_MAX);
        file.readInteger(section, key, 0);
    }

    std::string written = withProfileValue(text, target.first, target.second, value);
    FUZZ_CHECK(profileValue(written, target.first, target.second) == std::string(value));
    FUZZ_CHECK(withProfileValue(written, target.first, target.second, value) == written);

    // Every other key reads as before.
    for (const auto& [section, key] : NAMES) {
        auto was = profileValue(text, section, key);
        bool same = section == target.first && key == target.second;
        if (!same && was)
            FUZZ_CHECK(profileValue(written, section, key) == was);
    }

    // Every line but the key's own is kept byte for byte.
    auto before = rawLines(text);
    auto after = rawLines(written);
    if (profileValue(text, target.first, target.second)) {
        FUZZ_CHECK(before.size() == after.size());
        std::size_t changed = 0;
        for (std::size_t i = 0; i < before.size(); ++i)
            changed += before[i] != after[i];
        FUZZ_CHECK(changed <= 1);
    } else {
        bool ok = onlyInserted(before, after);
        if (!ok && !before.empty() && text.back() != '\r' && text.back() != '\n') {
            // Adding after a last line without a line end gives that line one.
            std::string_view eol = after[before.size() - 1].substr(before.back().size());
            std::string ended = std::string(before.back()).append(eol);
            auto patched = before;
            patched.back() = ended;
            ok = onlyInserted(patched, after);
        }
        FUZZ_CHECK(ok);
    }
    return 0;
}
