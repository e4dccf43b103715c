#pragma once
// The document the main window shows: the roster, the records deleted from it,
// the current row and record, the best times, the file last saved, and whether
// the roster holds changes that no save has written. Every change goes through
// it, and it tells one listener what changed, so the window repaints from one place.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "roster/charrecord.h"
#include "roster/rosterfile.h"
#include "roster/timevalue.h"
#include "roster/valuejournal.h"

namespace qvr {

enum class Episode { One, Two };

class RosterSheet {
public:
    enum class Change {
        Rows, // rows were added, removed or reordered, or the roster replaced
        Record, // the values of one row's record
        BestTimes, // a best pass ran: marks anywhere and the best-time table
    };
    // The row is the one concerned for Record, -1 otherwise.
    using Listener = std::function<void(Change, int row)>;

    // The start-up roster: the placeholder and rowCount - 1 empty records.
    explicit RosterSheet(std::size_t rowCount = 3);

    void setListener(Listener listener) { listener_ = std::move(listener); }
    // Told of every status value and stage time an edit really changes, and of
    // renames; null records nothing. Loads, imports and row operations are not told.
    void setJournal(ValueJournal* journal) { journal_ = journal; }

    // --- reached by name from the windows and the tests ---
    Roster roster;
    Roster deleted; // newest last; owned until the end
    CharRecord* currec = nullptr; // the record of the row last clicked
    int currow = 1; // the row the row operations act on
    std::string lastfile; // the file last saved, remembered for the next start
    BestTimes best;

    // Changes that no Save has written since the last Load, Save or the start.
    bool modified() const { return modified_; }

    // Makes `row` the current row and its record the current record; the
    // record kept alive across a load is nobody's current record any more.
    void selectRow(int row);

    // --- edits of the current record ---
    void setName(std::string_view bytes);
    void setStatus(std::size_t index, std::int32_t value);
    // Stores a stage time unmarked, sets the episode's total and runs its best pass.
    void setStageTime(Episode episode, std::size_t stage, std::int32_t seconds);
    void toggleLock();
    void toggleNocount();
    void setSectionId(int id);
    void setClass(int wtype);
    void setMemo(std::string_view bytes);

    // --- row operations; none reruns a best pass ---
    void appendRecord();
    void deleteRecord(int i); // out of range: nothing
    void restoreRecord(int i); // i = size appends; beyond: errListIndex
    void moveRecordUp(int i); // i >= size: errListIndex
    void moveRecordDown(int i); // out of range: nothing

    // --- files ---
    // Replaces the roster with the file's; on failure nothing changes. The best
    // times stay as they were until the next pass.
    LoadResult load(const std::string& path);
    // Writes the roster atomically and remembers the path; throws on failure.
    void save(const std::string& path);
    // Appends records read elsewhere (the previous version's file).
    void appendRecords(Roster records);

    // Both best passes in one walk (start-up).
    void recomputeBest();

    // Frees every record, at the end of the program.
    void releaseRecords();

private:
    void changed(Change change, int row = -1);
    void recordChanged();
    void journalValue(ValueField field, std::int32_t oldValue, std::int32_t newValue, bool marked);

    Listener listener_;
    ValueJournal* journal_ = nullptr;
    Roster retired_; // the record currec held before a load, alive until the next selection
    bool modified_ = false;
};

} // namespace qvr
