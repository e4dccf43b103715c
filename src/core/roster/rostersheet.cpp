#include "roster/rostersheet.h"

#include "platform/error.h"

#include <cstring>
#include <ctime>
#include <utility>

namespace qvr {

namespace {

// Stores the value; true when the field held another one.
template <class T, class U>
bool assign(T& field, U&& value)
{
    if (field == value)
        return false;
    field = std::forward<U>(value);
    return true;
}

} // namespace

RosterSheet::RosterSheet(std::size_t rowCount) : roster(makeRoster(rowCount)), currec(roster[0].get()) { }

void RosterSheet::changed(Change change, int row)
{
    if (change != Change::BestTimes)
        modified_ = true;
    if (listener_)
        listener_(change, row);
}

void RosterSheet::recordChanged() { changed(Change::Record, currow); }

void RosterSheet::selectRow(int row)
{
    if (row < 0 || static_cast<std::size_t>(row) >= roster.size())
        throw errListIndex(row);
    currow = row;
    currec = roster[static_cast<std::size_t>(row)].get();
    retired_.clear();
}

void RosterSheet::journalValue(ValueField field, std::int32_t oldValue, std::int32_t newValue, bool marked)
{
    if (!journal_)
        return;
    ValueEntry entry{std::time(nullptr), std::string(currec->nameText()), currec->id, currec->wtype, field, oldValue,
        newValue, marked};
    journal_->committed(entry);
}

void RosterSheet::setName(std::string_view bytes)
{
    const auto before = currec->name;
    currec->setName(bytes);
    if (currec->name == before)
        return;
    if (journal_)
        journal_->renamed(std::string_view(before.data(), ::strnlen(before.data(), before.size())), currec->nameText());
    recordChanged();
}

void RosterSheet::setStatus(std::size_t index, std::int32_t value)
{
    const std::int32_t before = currec->status.at(index);
    if (!assign(currec->status.at(index), value))
        return;
    journalValue({ValueField::Status, static_cast<int>(index)}, before, value, false);
    recordChanged();
}

void RosterSheet::setStageTime(Episode episode, std::size_t stage, std::int32_t seconds)
{
    // Re-entering a best time gives it its mark back: no change.
    bool timesChanged = false;
    std::int32_t oldTime = 0;
    std::int32_t stored = 0; // the stage time after the pass, marked or not
    if (episode == Episode::One) {
        const auto before = currec->ep1time;
        oldTime = before.at(stage);
        currec->ep1time.at(stage) = seconds;
        currec->ep1time[EP1_TOTAL] = ep1StageSum(*currec);
        recomputeEp1Best(roster, best);
        timesChanged = currec->ep1time != before;
        stored = currec->ep1time[stage];
    } else {
        const auto before = currec->ep2time;
        oldTime = before.at(stage);
        currec->ep2time.at(stage) = seconds;
        currec->ep2time[EP2_TOTAL] = ep2StageSum(*currec);
        recomputeEp2Best(roster, best);
        timesChanged = currec->ep2time != before;
        stored = currec->ep2time[stage];
    }
    // Only another time counts: a mark gained or lost by the same time is no entry.
    if (timeMagnitude(oldTime) != timeMagnitude(seconds)) {
        const auto kind = episode == Episode::One ? ValueField::Ep1 : ValueField::Ep2;
        journalValue(
            {kind, static_cast<int>(stage)}, static_cast<std::int32_t>(timeMagnitude(oldTime)), seconds, stored < 0);
    }
    if (timesChanged)
        recordChanged();
    changed(Change::BestTimes);
}

void RosterSheet::toggleLock()
{
    currec->lock = currec->lock ? 0 : 1;
    recordChanged();
}

void RosterSheet::toggleNocount()
{
    currec->nocount = currec->nocount ? 0 : 1;
    recordChanged();
}

void RosterSheet::setSectionId(int id)
{
    if (assign(currec->id, id))
        recordChanged();
}

void RosterSheet::setClass(int wtype)
{
    if (assign(currec->wtype, wtype))
        recordChanged();
}

void RosterSheet::setMemo(std::string_view bytes)
{
    if (assign(currec->memo, bytes))
        recordChanged();
}

void RosterSheet::appendRecord()
{
    roster.push_back(makeRecord());
    changed(Change::Rows);
}

void RosterSheet::deleteRecord(int i)
{
    // Row 0 is the placeholder behind the header and is never deleted.
    if (roster.size() <= 1 || i < 1 || static_cast<std::size_t>(i) >= roster.size())
        return;
    deleted.push_back(std::move(roster[static_cast<std::size_t>(i)]));
    roster.erase(roster.begin() + i);
    changed(Change::Rows);
}

void RosterSheet::restoreRecord(int i)
{
    if (deleted.empty())
        return;
    if (i < 1 || static_cast<std::size_t>(i) > roster.size())
        throw errListIndex(i);
    roster.insert(roster.begin() + i, std::move(deleted.back()));
    deleted.pop_back();
    changed(Change::Rows);
}

void RosterSheet::moveRecordUp(int i)
{
    if (i <= 1)
        return;
    if (static_cast<std::size_t>(i) >= roster.size())
        throw errListIndex(i);
    std::swap(roster[static_cast<std::size_t>(i)], roster[static_cast<std::size_t>(i) - 1]);
    changed(Change::Rows);
}

void RosterSheet::moveRecordDown(int i)
{
    if (i < 1 || static_cast<std::size_t>(i) + 1 >= roster.size())
        return;
    std::swap(roster[static_cast<std::size_t>(i)], roster[static_cast<std::size_t>(i) + 1]);
    changed(Change::Rows);
}

LoadResult RosterSheet::load(const std::string& path)
{
    Roster incoming;
    const LoadResult result = qvr::loadRoster(path, incoming);
    if (result != LoadResult::Loaded)
        return result;
    // The current record stays alive until the next selection, so that a memo or
    // an editor still open stores into it and never into freed memory.
    for (auto& rec : roster) {
        if (rec.get() == currec) {
            retired_.clear();
            retired_.push_back(std::move(rec));
            break;
        }
    }
    roster = std::move(incoming);
    changed(Change::Rows);
    modified_ = false;
    return result;
}

void RosterSheet::save(const std::string& path)
{
    saveRoster(path, roster);
    // Only a save that reached the disk is remembered for the next start.
    lastfile = path;
    modified_ = false;
}

void RosterSheet::appendRecords(Roster records)
{
    if (records.empty())
        return;
    roster.insert(roster.end(), std::make_move_iterator(records.begin()), std::make_move_iterator(records.end()));
    changed(Change::Rows);
}

void RosterSheet::recomputeBest()
{
    recomputeBestTimes(roster, best);
    changed(Change::BestTimes);
}

void RosterSheet::releaseRecords()
{
    currec = nullptr;
    roster.clear();
    deleted.clear();
    retired_.clear();
}

} // namespace qvr
