#include "subtool/sectionid.h"

#include "platform/cp932.h"

#include <cstdint>
#include <string>

namespace qvr {

int nameToSectionId(std::string_view name, bool laterEdition, int classIndex)
{
    std::int64_t sum = 0;
    if (laterEdition) {
        const std::u16string wide = cp932::decode(name);
        sum = (classIndex < 0 ? 0 : classIndex) + (wide.empty() ? 0 : wide.back());
    } else {
        // Each byte of a double-byte character counts by itself, as a signed value.
        for (char c : name)
            sum += static_cast<signed char>(c);
    }
    const int r = static_cast<int>(sum % 10);
    return r < 0 ? -r : r;
}

} // namespace qvr
