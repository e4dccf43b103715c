#include "roster/rostersheet.h"

#include "platform/error.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qvr {

namespace {

constexpr std::uint64_t NEVER = ~std::uint64_t{0}; // a position no history reaches

} // namespace

RosterSheet::RosterSheet(std::size_t rowCount) : roster(makeRoster(rowCount)), currec(roster[0].get()) { }

void RosterSheet::changed(Change change, int row)
{
    if (listener_)
        listener_(change, row);
}

void RosterSheet::record(RosterStep step, bool changesFile)
{
    keepCurrent(history_.push(std::move(step), changesFile));
}

void RosterSheet::keepCurrent(std::vector<RosterStep> dropped)
{
    for (RosterStep& step : dropped) {
        if (RecordPtr rec = step.release(currec)) {
            retired_.clear();
            retired_.push_back(std::move(rec));
            currentLoose_ = true;
        }
    }
}

RosterStep RosterSheet::recordStep(StepLabel::Kind kind, std::size_t index, bool withMemo)
{
    RosterStep step;
    step.label.kind = kind;
    step.label.row = currow;
    step.label.index = index;
    // A loose record's values are nobody's to bring back; a pass it causes still is.
    // Its step holds them all the same, without the memo, for the edit to compare.
    RecordEdit before = recordBefore(*currec, withMemo && !currentLoose_);
    if (currentLoose_)
        before.rec = nullptr;
    else
        step.label.record = currec;
    step.change = std::move(before);
    return step;
}

void RosterSheet::storeRecordStep(RosterStep& step)
{
    // An edit of a loose record is a new change all the same: nothing is redone after it.
    if (std::get<RecordEdit>(step.change).rec)
        record(std::move(step));
    else
        keepCurrent(history_.dropRedo());
    changed(Change::Record, currow);
}

void RosterSheet::selectRow(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= roster.size())
        throw errListIndex(row);
    currow = row;
    currec = roster[static_cast<std::size_t>(row)].get();
    retired_.clear();
    currentLoose_ = false;
}

void RosterSheet::journalValue(
    RosterStep& step, ValueField field, std::int32_t oldValue, std::int32_t newValue, bool marked)
{
    if (!journal_)
        return;
    const ValueEntry entry{std::time(nullptr), std::string(currec->nameText()), currec->id, currec->wtype, field,
        oldValue, newValue, marked};
    const std::uint64_t token = journal_->committed(entry);
    // A loose record's edit is no step, so nothing will take the entry back.
    if (std::get<RecordEdit>(step.change).rec)
        step.token = token;
}

void RosterSheet::setName(std::string_view bytes)
{
    RosterStep step = recordStep(StepLabel::Kind::Name);
    const auto before = currec->name;
    currec->setName(bytes);
    if (currec->name == before)
        return;
    if (journal_)
        journal_->renamed(std::string_view(before.data(), ::strnlen(before.data(), before.size())), currec->nameText());
    storeRecordStep(step);
}

void RosterSheet::setStatus(std::size_t index, std::int32_t value)
{
    if (currec->status.at(index) == value)
        return;
    RosterStep step = recordStep(StepLabel::Kind::Status, index);
    const std::int32_t before = currec->status[index];
    currec->status[index] = value;
    journalValue(step, {ValueField::Status, static_cast<int>(index)}, before, value, false);
    storeRecordStep(step);
}

void RosterSheet::setStageTime(Episode episode, std::size_t stage, std::int32_t seconds)
{
    RosterStep step = recordStep(StepLabel::Kind::StageTime, stage);
    step.label.episode = episode;
    const BestTimes bestBefore = best;
    std::vector<std::int32_t*> marked;
    const EpisodeShape& shape = episodeShape(episode);
    const std::span<std::int32_t> times = shape.times(*currec);
    // The times before the edit, as the step keeps them for undo; read before the
    // step is recorded.
    const std::span<const std::int32_t> before = shape.readTimes(std::get<RecordEdit>(step.change).other);
    if (stage >= times.size())
        throw std::out_of_range("stage time index");
    times[stage] = seconds;
    times[shape.total()] = stageSum(*currec, shape);
    shape.bestPass(roster, best, &marked);
    // Only another time counts: a mark gained or lost by the same time is no entry.
    const std::uint32_t oldTime = timeMagnitude(before[stage]);
    if (oldTime != timeMagnitude(seconds)) {
        const auto kind = episode == Episode::One ? ValueField::Ep1 : ValueField::Ep2;
        journalValue(
            step, {kind, static_cast<int>(stage)}, static_cast<std::int32_t>(oldTime), seconds, times[stage] < 0);
    }
    // Re-entering a best time gives it its mark back: no change of the record.
    const bool timesChanged = !std::equal(times.begin(), times.end(), before.begin());
    recordPass(step, timesChanged, marked, bestBefore);
    if (timesChanged)
        changed(Change::Record, currow);
    changed(Change::BestTimes);
}

void RosterSheet::recordPass(
    RosterStep& step, bool timesChanged, const std::vector<std::int32_t*>& marked, const BestTimes& bestBefore)
{
    auto& edit = std::get<RecordEdit>(step.change);
    // The edited record's own marks are in its values; the others are kept one by one.
    const auto* own = reinterpret_cast<const char*>(currec);
    for (std::int32_t* t : marked) {
        const auto* at = reinterpret_cast<const char*>(t);
        if (!edit.rec || at < own || at >= own + sizeof(CharRecord))
            edit.marks.push_back({t, -*t});
    }
    if (best != bestBefore)
        edit.otherBest = bestBefore;
    const bool recordChanged = edit.rec && timesChanged;
    // A pass that only moved the best-time table changes nothing a save writes.
    if (!recordChanged)
        edit.rec = nullptr;
    if (recordChanged || !edit.marks.empty() || edit.otherBest)
        record(std::move(step), recordChanged || !edit.marks.empty());
    else if (timesChanged)
        keepCurrent(history_.dropRedo()); // a loose record's new time
}

void RosterSheet::toggleLock()
{
    RosterStep step = recordStep(StepLabel::Kind::Lock);
    currec->lock = currec->lock ? 0 : 1;
    storeRecordStep(step);
}

void RosterSheet::toggleNocount()
{
    RosterStep step = recordStep(StepLabel::Kind::Nocount);
    currec->nocount = currec->nocount ? 0 : 1;
    storeRecordStep(step);
}

void RosterSheet::setSectionId(int id)
{
    if (currec->id == id)
        return;
    RosterStep step = recordStep(StepLabel::Kind::SectionId);
    currec->id = id;
    storeRecordStep(step);
}

void RosterSheet::setClass(int wtype)
{
    if (currec->wtype == wtype)
        return;
    RosterStep step = recordStep(StepLabel::Kind::Class);
    currec->wtype = wtype;
    storeRecordStep(step);
}

void RosterSheet::setMemo(std::string_view bytes)
{
    if (currec->memo == bytes)
        return;
    RosterStep step = recordStep(StepLabel::Kind::Memo, 0, true);
    currec->memo = bytes;
    storeRecordStep(step);
}

void RosterSheet::rowStep(StepLabel::Kind kind, int row, decltype(RosterStep::change) change)
{
    RosterStep step;
    step.label.kind = kind;
    step.label.row = row;
    step.change = std::move(change);
    if (const auto* appended = std::get_if<RowsAppended>(&step.change))
        step.label.count = appended->count;
    record(std::move(step));
    changed(Change::Rows);
}

void RosterSheet::appendRecord()
{
    roster.push_back(makeRecord());
    rowStep(StepLabel::Kind::Add, static_cast<int>(roster.size()) - 1, RowsAppended{1, {}});
}

void RosterSheet::deleteRecord(int i)
{
    // Row 0 is the placeholder behind the header and is never deleted.
    if (roster.size() <= 1 || i < 1 || static_cast<std::size_t>(i) >= roster.size())
        return;
    deleted.push_back(std::move(roster[static_cast<std::size_t>(i)]));
    roster.erase(roster.begin() + i);
    rowStep(StepLabel::Kind::Delete, i, RowTransfer{i, false});
}

void RosterSheet::restoreRecord(int i)
{
    if (deleted.empty())
        return;
    if (i < 1 || static_cast<std::size_t>(i) > roster.size())
        throw errListIndex(i);
    roster.insert(roster.begin() + i, std::move(deleted.back()));
    deleted.pop_back();
    rowStep(StepLabel::Kind::Insert, i, RowTransfer{i, true});
}

void RosterSheet::moveRecordUp(int i)
{
    if (i <= 1)
        return;
    if (static_cast<std::size_t>(i) >= roster.size())
        throw errListIndex(i);
    std::swap(roster[static_cast<std::size_t>(i)], roster[static_cast<std::size_t>(i) - 1]);
    rowStep(StepLabel::Kind::MoveUp, i, RowExchange{i - 1});
}

void RosterSheet::moveRecordDown(int i)
{
    if (i < 1 || static_cast<std::size_t>(i) + 1 >= roster.size())
        return;
    std::swap(roster[static_cast<std::size_t>(i)], roster[static_cast<std::size_t>(i) + 1]);
    rowStep(StepLabel::Kind::MoveDown, i, RowExchange{i});
}

namespace {
// The name of the record a step edits, empty for other steps.
std::string editedName(const RosterStep& step)
{
    const auto* edit = std::get_if<RecordEdit>(&step.change);
    return edit && edit->rec && step.label.kind == StepLabel::Kind::Name ? std::string(edit->rec->nameText())
                                                                         : std::string();
}
} // namespace

void RosterSheet::undo()
{
    if (!history_.canUndo())
        return;
    const std::string nameBefore = editedName(history_.nextUndo());
    RosterStep& step = history_.undo(parts());
    // Only an undone step holds the current record now: its edits make no step.
    if (step.holds(currec))
        currentLoose_ = true;
    journalApplied(step, true, nameBefore);
    stepApplied(step);
}

void RosterSheet::redo()
{
    if (!history_.canRedo())
        return;
    const bool bringsBack = currentLoose_ && retired_.empty() && history_.nextRedo().holds(currec);
    const std::string nameBefore = editedName(history_.nextRedo());
    RosterStep& step = history_.redo(parts());
    if (bringsBack)
        currentLoose_ = false;
    journalApplied(step, false, nameBefore);
    stepApplied(step);
}

void RosterSheet::journalApplied(const RosterStep& step, bool undone, const std::string& nameBefore)
{
    if (!journal_)
        return;
    if (step.token != 0)
        undone ? journal_->withdrawn(step.token) : journal_->reinstated(step.token);
    // A name step renames the entries back, or again.
    const std::string nameAfter = editedName(step);
    if (nameAfter != nameBefore)
        journal_->renamed(nameBefore, nameAfter);
}

void RosterSheet::stepApplied(const RosterStep& step)
{
    if (const auto* edit = std::get_if<RecordEdit>(&step.change)) {
        changed(Change::Record, step.label.row);
        if (edit->otherBest || !edit->marks.empty())
            changed(Change::BestTimes);
    } else {
        changed(Change::Rows);
    }
}

void RosterSheet::forgetHistory()
{
    const bool wasModified = modified();
    keepCurrent(history_.clear());
    savedPosition_ = wasModified ? NEVER : 0;
}

void RosterSheet::load(const std::string& path, const std::function<void()>& beforeReplacing)
{
    Roster incoming;
    qvr::loadRoster(path, incoming);
    if (beforeReplacing)
        beforeReplacing();
    // The old roster goes into the step, so the current record stays alive and a
    // late memo or editor commit never reaches freed memory or the new roster.
    RosterStep step;
    step.label.kind = StepLabel::Kind::Load;
    step.label.file = path;
    step.change = RosterReplaced{std::exchange(roster, std::move(incoming)), std::exchange(loadedFile_, path)};
    record(std::move(step));
    savedPosition_ = history_.position();
    changed(Change::Rows);
}

void RosterSheet::save(const std::string& path)
{
    saveRoster(path, roster);
    // Only a save that reached the disk is remembered for the next start.
    lastfile = path;
    savedPosition_ = history_.position();
}

void RosterSheet::appendRecords(Roster records)
{
    if (records.empty())
        return;
    const auto first = static_cast<int>(roster.size());
    roster.insert(roster.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    rowStep(StepLabel::Kind::Import, first, RowsAppended{records.size(), {}});
}

void RosterSheet::recomputeBest()
{
    recomputeBestTimes(roster, best);
    changed(Change::BestTimes);
}

void RosterSheet::releaseRecords()
{
    currec = nullptr;
    history_.clear();
    roster.clear();
    deleted.clear();
    retired_.clear();
}

} // namespace qvr
