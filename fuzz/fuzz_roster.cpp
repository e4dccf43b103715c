// Roster file reader: a rejected file changes nothing, an accepted one round-trips.
#include "fuzzcheck.h"

#include "platform/error.h"
#include "roster/rosterfile.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <unistd.h>

using namespace qvr;

namespace {

Roster knownRoster()
{
    Roster r = makeRoster(3);
    r[1]->setName("known");
    r[1]->ep1time[0] = -65;
    r[2]->memo = "a\r\nb";
    return r;
}

struct Scratch {
    // Memory-backed when there is such a folder: the reader is under test, not the disk.
    std::string path = std::string(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/qvr-fuzz-roster-" +
        std::to_string(::getpid()) + ".pd3";
    ~Scratch() { ::unlink(path.c_str()); }
};

const std::string& scratchPath()
{
    static const Scratch scratch;
    return scratch.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto parsed = parseRoster(bytes);

    std::ofstream(scratchPath(), std::ios::binary | std::ios::trunc) << bytes;
    Roster roster = knownRoster();
    std::optional<Error::Kind> failure;
    try {
        loadRoster(scratchPath(), roster);
    } catch (const Error& e) {
        failure = e.kind();
    }

    if (!parsed) {
        FUZZ_CHECK(failure == Error::Kind::NotRoster);
        FUZZ_CHECK(sameContent(roster, knownRoster()));
        return 0;
    }
    FUZZ_CHECK(!failure);
    FUZZ_CHECK(sameContent(roster, *parsed));
    FUZZ_CHECK(!parsed->empty());

    std::string once = serializeRoster(*parsed);
    // The writer gives back the bytes read, but for the six ignored bytes of each
    // block and whatever followed the last block.
    FUZZ_CHECK(once.size() <= size);
    FUZZ_CHECK(once.compare(0, ROSTER_HEADER_SIZE, bytes.substr(0, ROSTER_HEADER_SIZE)) == 0);
    std::size_t at = ROSTER_HEADER_SIZE;
    for (const auto& rec : *parsed) {
        std::size_t block = ROSTER_BLOCK_FIXED + rec->memo.size();
        FUZZ_CHECK(once.compare(at, 142, bytes.substr(at, 142)) == 0);
        FUZZ_CHECK(once.compare(at + 148, block - 148, bytes.substr(at + 148, block - 148)) == 0);
        at += block;
    }
    FUZZ_CHECK(at == once.size());
    auto again = parseRoster(once);
    FUZZ_CHECK(again && sameContent(*again, *parsed));
    FUZZ_CHECK(serializeRoster(*again) == once);
    return 0;
}
