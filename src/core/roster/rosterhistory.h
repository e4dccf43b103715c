#pragma once
// The roster document's undo history: one step per user action, each holding
// only what that action changed. A step is its own inverse: applying it swaps
// what it holds with what the document holds, so the same step undoes and redoes.

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "roster/charrecord.h"
#include "roster/timevalue.h"

namespace qvr {

// What a step did, enough to name it in a menu.
struct StepLabel {
    enum class Kind {
        Name,
        Status,
        StageTime,
        SectionId,
        Class,
        Lock,
        Nocount,
        Memo,
        Add,
        Delete,
        Insert,
        MoveUp,
        MoveDown,
        Import,
        Load,
    };
    Kind kind{};
    int row = 0; // the row concerned; for Add and Import the first appended one
    const CharRecord* record = nullptr; // the edited record, for its name
    Episode episode = Episode::One; // of a StageTime
    std::size_t index = 0; // the status value or stage
    std::size_t count = 0; // records an Import appended
    std::string file; // the path a Load read
};

// The parts of the document that steps change.
struct SheetParts {
    Roster& roster;
    Roster& deleted;
    BestTimes& best;
    std::string& loadedFile;
};

// One record's values (and, for a time, the marks the best pass set elsewhere
// and the best-time table).
struct RecordEdit {
    CharRecord* rec = nullptr; // none when only a pass's marks and table changed
    CharRecord other; // its other values; the memo only when `memo` is set
    bool memo = false;
    struct Mark {
        std::int32_t* time;
        std::int32_t other;
    };
    std::vector<Mark> marks;
    std::optional<BestTimes> otherBest;
};

// Records appended at the end (Add, Import); held here while undone.
struct RowsAppended {
    std::size_t count = 0;
    Roster taken;
};

// A record between a row and the end of the deleted list (Delete, Insert).
struct RowTransfer {
    int row = 0;
    bool toDeleted = true; // the direction of the next application
};

// Rows `upper` and `upper + 1` exchanged (Up, Down).
struct RowExchange {
    int upper = 0;
};

// The whole roster and the file it came from (Load).
struct RosterReplaced {
    Roster other;
    std::string otherFile;
};

struct RosterStep {
    StepLabel label;
    std::variant<RecordEdit, RowsAppended, RowTransfer, RowExchange, RosterReplaced> change;
    // The value journal's token of the commit this step made (status and times).
    std::uint64_t token = 0;
    std::uint64_t state = 0; // the history position this step leads to

    void apply(const SheetParts& parts);
    // Whether the step holds `rec` (records appended or a roster replaced).
    bool holds(const CharRecord* rec) const;
    // Gives up `rec` if the step holds it.
    RecordPtr release(const CharRecord* rec);
};

// A snapshot of the record before an edit; the memo is copied only when asked.
RecordEdit recordBefore(CharRecord& rec, bool withMemo);

class RosterHistory {
public:
    std::size_t undoCount() const { return done_; }
    std::size_t redoCount() const { return steps_.size() - done_; }
    bool canUndo() const { return done_ > 0; }
    bool canRedo() const { return done_ < steps_.size(); }
    const RosterStep& nextUndo() const { return steps_[done_ - 1]; }
    const RosterStep& nextRedo() const { return steps_[done_]; }

    // Adds a step after the done ones; the steps that could have been redone are
    // handed back. `changesFile` false: the step changes nothing a save writes.
    std::vector<RosterStep> push(RosterStep step, bool changesFile = true);
    RosterStep& undo(const SheetParts& parts);
    RosterStep& redo(const SheetParts& parts);
    // The steps that could have been redone, handed back.
    std::vector<RosterStep> dropRedo();
    // Every step, handed back.
    std::vector<RosterStep> clear();

    // Names the state the done steps lead to; equal positions hold equal file contents.
    std::uint64_t position() const { return done_ ? steps_[done_ - 1].state : 0; }

private:
    std::vector<RosterStep> steps_;
    std::size_t done_ = 0;
    std::uint64_t serial_ = 0;
};

} // namespace qvr
