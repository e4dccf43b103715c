// Time texts: never negative, never above 24 h 59 min 59 s, and their own text reads back.
#include "fuzzcheck.h"

#include "platform/error.h"
#include "roster/timevalue.h"

#include <cstdint>
#include <cstring>

using namespace qvr;

namespace {
constexpr std::int32_t LARGEST = 24 * 3600 + 59 * 60 + 59;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        std::int32_t r = textToTime(text);
        FUZZ_CHECK(r >= 0 && r <= LARGEST);
        FUZZ_CHECK(textToTime(timeToText(r)) == r);
        FUZZ_CHECK(textToTime(timeToText(-r)) == r);
    } catch (const Error&) {
        // A text without digits, or with too many, is refused; that is its contract.
    }

    // Any stored value, damaged ones included, shows a text that reads back.
    if (size >= 4) {
        std::int32_t v;
        std::memcpy(&v, data, 4);
        std::int64_t a = v < 0 ? -static_cast<std::int64_t>(v) : v;
        std::int32_t back = textToTime(timeToText(v));
        // Hours above 24 are shown as 24; minutes and seconds stay as they were.
        std::int64_t expected = a <= LARGEST ? a : 24 * 3600 + (a % 3600) / 60 * 60 + a % 60;
        FUZZ_CHECK(back == expected);
    }
    return 0;
}
