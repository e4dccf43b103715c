#pragma once

#include <string_view>

namespace qvr {

// The section ID index (0..9) a name gets. Earlier rule: the sum of the name's
// bytes read as signed 8-bit values. Later rule (laterEdition): the class index
// plus the last UTF-16 unit of the name as code page 932 decodes it.
// classIndex is the checker's own class order; -1 (none chosen) counts as 0.
int nameToSectionId(std::string_view name, bool laterEdition, int classIndex);

} // namespace qvr
