#include "roster/charrecord.h"

#include <algorithm>
#include <cstring>

namespace qvr {

std::string_view CharRecord::nameText() const
{
    const char* end = static_cast<const char*>(std::memchr(name.data(), 0, name.size()));
    return {name.data(), end ? static_cast<std::size_t>(end - name.data()) : name.size()};
}

void CharRecord::setName(std::string_view bytes)
{
    std::size_t n = std::min(bytes.size(), NAME_SIZE - 1);
    std::memcpy(name.data(), bytes.data(), n);
    name[n] = 0;
}

void newRecord(CharRecord& rec)
{
    rec.name[0] = 0;
    rec.wtype = 0;
    rec.id = 0;
    rec.status.fill(0);
    rec.ep1time.fill(0);
    rec.ep2time.fill(0);
    rec.nocount = 0;
    rec.lock = 0;
    rec.memo.clear();
}

RecordPtr makeRecord()
{
    auto rec = std::make_unique<CharRecord>();
    newRecord(*rec);
    return rec;
}

Roster makeRoster(std::size_t count)
{
    Roster roster;
    roster.reserve(count);
    for (std::size_t i = 0; i < count; ++i)
        roster.push_back(makeRecord());
    return roster;
}

Roster cloneRoster(const Roster& roster)
{
    Roster copy;
    copy.reserve(roster.size());
    for (const auto& rec : roster)
        copy.push_back(std::make_unique<CharRecord>(*rec));
    return copy;
}

bool sameContent(const Roster& a, const Roster& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const RecordPtr& x, const RecordPtr& y) { return *x == *y; });
}

} // namespace qvr
