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
#include "roster/rosterhistory.h"
#include "roster/timevalue.h"
#include "roster/valuejournal.h"

namespace qvr {

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

    // Changes that no Save has written since the last Load, Save or the start;
    // undoing back to that state makes the roster unchanged again.
    bool modified() const { return history_.position() != savedPosition_; }
    // The roster file the roster came from, empty before the first Load.
    const std::string& loadedFile() const { return loadedFile_; }

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

    // --- undo and redo: one step per change above, restoring exactly the state
    // before it (marks and best times included) without running a pass ---
    bool canUndo() const { return history_.canUndo(); }
    bool canRedo() const { return history_.canRedo(); }
    std::size_t undoCount() const { return history_.undoCount(); }
    std::size_t redoCount() const { return history_.redoCount(); }
    // What the next undo or redo takes back or makes again; only while there is one.
    const StepLabel& undoLabel() const { return history_.nextUndo().label; }
    const StepLabel& redoLabel() const { return history_.nextRedo().label; }
    void undo();
    void redo();
    // Forgets every step (the start-up load is none); whether the roster is
    // unchanged stays as it was.
    void forgetHistory();

    // --- files ---
    // Replaces the roster with the file's, as one step; throws as `loadRoster`
    // does, and nothing changes. `beforeReplacing` runs once the file has been
    // read, while the old roster is still in place; when it throws, the load
    // stops there. The best times stay as they were until the next pass.
    void load(const std::string& path, const std::function<void()>& beforeReplacing = {});
    // Writes the roster atomically and remembers the path; throws on failure.
    // Not a step; the history stays.
    void save(const std::string& path);
    // Appends records read elsewhere (the previous version's file).
    void appendRecords(Roster records);

    // Both best passes in one walk (start-up).
    void recomputeBest();

    // Frees every record, at the end of the program.
    void releaseRecords();

private:
    void changed(Change change, int row = -1);
    void record(RosterStep step, bool changesFile = true);
    // A step of the current record's values before an edit; without the record
    // (nothing to bring back) when it is loose: its edits are stored without a step.
    RosterStep recordStep(StepLabel::Kind kind, std::size_t index = 0, bool withMemo = false);
    void storeRecordStep(RosterStep& step);
    // Records a time edit: the record, the times the pass marked elsewhere and the
    // best-time table, when any of them changed.
    void recordPass(
        RosterStep& step, bool timesChanged, const std::vector<std::int32_t*>& marked, const BestTimes& bestBefore);
    void rowStep(StepLabel::Kind kind, int row, decltype(RosterStep::change) change);
    void stepApplied(const RosterStep& step);
    // Tells the journal of a committed value; the step keeps its token.
    void journalValue(RosterStep& step, ValueField field, std::int32_t oldValue, std::int32_t newValue, bool marked);
    // Tells the journal that an undo or redo took back or brought back the step's commit.
    void journalApplied(const RosterStep& step, bool undone, const std::string& nameBefore);
    // Keeps the current record alive when the steps that held it go.
    void keepCurrent(std::vector<RosterStep> dropped);
    SheetParts parts() { return {roster, deleted, best, loadedFile_}; }

    Listener listener_;
    ValueJournal* journal_ = nullptr;
    RosterHistory history_;
    std::uint64_t savedPosition_ = 0; // the history's position at the last Load or Save
    std::string loadedFile_;
    // The current record when only an undone step holds it, or when it was kept
    // here after the steps that held it went; edits of it then make no step.
    bool currentLoose_ = false;
    Roster retired_; // the record kept for currec, alive until the next selection
};

} // namespace qvr
