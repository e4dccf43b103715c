#pragma once
// History entries as people read them: in the history window's table and in the
// CSV file it exports.

#include <string>
#include <vector>

#include "history/historystore.h"

namespace qvr {

// "EP1C3", "EP2C1", or the status value's title as the exports name it ("HP").
std::string fieldLabel(ValueField field);
// A stage time as the grid writes it, a status value in decimal.
std::string valueText(ValueField field, std::int32_t value);
// new - old: "-0'00\"05" for a time 5 seconds faster, "+3" for a status value;
// empty when no time stood before.
std::string differenceText(ValueField field, std::int32_t oldValue, std::int32_t newValue);
// Local time: "2026-12-10 13:05:09".
std::string localDateText(std::int64_t whenUtc);

// The entries as CSV in UTF-8: a header row, then one row per entry.
std::string historyCsv(const std::vector<HistoryEntry>& entries);
// Writes it atomically; never over a roster file (errRosterNotReplaced).
void exportHistoryCsv(const std::string& path, const std::vector<HistoryEntry>& entries);

} // namespace qvr
