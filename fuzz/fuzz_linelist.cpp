// Head template reader: lines hold no line break or NUL, and joining is stable.
#include "fuzzcheck.h"

#include "interchange/linelist.h"

#include <cstdint>

using namespace qvr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    LineList lines = splitLines(text);

    std::size_t bytes = 0;
    for (const auto& line : lines) {
        FUZZ_CHECK(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
        bytes += line.size();
    }
    FUZZ_CHECK(bytes <= size);

    std::string joined = joinLines(lines);
    FUZZ_CHECK(splitLines(joined) == lines);
    FUZZ_CHECK(joinLines(splitLines(joined)) == joined);
    return 0;
}
