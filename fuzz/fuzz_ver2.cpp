// Version-2 import: at most 50 records, each from a whole slot that is not empty.
#include "fuzzcheck.h"

#include "interchange/ver2import.h"

#include <cstdint>
#include <cstring>

using namespace qvr;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Roster records = parseVer2(bytes);

    std::size_t wholeSlots = std::min(size / VER2_SLOT_SIZE, VER2_SLOT_COUNT);
    FUZZ_CHECK(records.size() <= wholeSlots);

    std::size_t k = 0;
    for (std::size_t slot = 0; slot < wholeSlots; ++slot) {
        std::string_view s = bytes.substr(slot * VER2_SLOT_SIZE, VER2_SLOT_SIZE);
        if (s.starts_with("name"))
            continue;
        FUZZ_CHECK(k < records.size());
        const CharRecord& rec = *records[k++];
        FUZZ_CHECK(std::memcmp(rec.name.data(), s.data(), 16) == 0);
        FUZZ_CHECK(rec.name[16] == 0 && rec.name[17] == 0 && rec.name[18] == 0 && rec.name[19] == 0);
        // The memo stops at the first zero byte and never leaves the slot's memo area.
        std::string_view area = s.substr(144);
        FUZZ_CHECK(rec.memo.size() <= area.size());
        FUZZ_CHECK(area.starts_with(rec.memo));
        FUZZ_CHECK(std::string_view(rec.memo).find('\0') == std::string_view::npos);
        FUZZ_CHECK(rec.memo.size() == area.size() || area[rec.memo.size()] == '\0');
        FUZZ_CHECK(rec.ep1time[10] == 0);
        for (std::int32_t t : rec.ep2time)
            FUZZ_CHECK(t == 0);
    }
    FUZZ_CHECK(k == records.size());
    return 0;
}
