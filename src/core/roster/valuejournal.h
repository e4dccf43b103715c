#pragma once
// What the roster document tells a history of committed values.

#include <cstdint>
#include <string>
#include <string_view>

namespace qvr {

// Which value of a record: a status value or a stage time of one episode.
struct ValueField {
    enum Kind : std::uint8_t { Status, Ep1, Ep2 };
    Kind kind = Status;
    int index = 0;
    friend bool operator==(const ValueField&, const ValueField&) = default;
};

// One committed value, as the history keeps it.
struct ValueEntry {
    std::int64_t whenUtc = 0; // seconds since the epoch
    std::string name; // the record's name bytes (code page 932) at that moment
    int id = 0, wtype = 0; // section ID and class at that moment
    ValueField field{};
    std::int32_t oldValue = 0, newValue = 0; // unmarked seconds, or the status value
    bool best = false; // the best pass marked the new time
    friend bool operator==(const ValueEntry&, const ValueEntry&) = default;
};

// Told by the roster document of each committed value, and of undo and redo.
class ValueJournal {
public:
    virtual ~ValueJournal() = default;
    virtual std::uint64_t committed(const ValueEntry& entry) = 0; // returns a token
    virtual void withdrawn(std::uint64_t token) = 0; // its commit was undone
    virtual void reinstated(std::uint64_t token) = 0; // and redone
    virtual void renamed(std::string_view from, std::string_view to) = 0;
};

} // namespace qvr
