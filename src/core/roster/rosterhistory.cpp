#include "roster/rosterhistory.h"

#include <algorithm>
#include <utility>

namespace qvr {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

void swapRecord(RecordEdit& e, BestTimes& best)
{
    if (e.rec) {
        std::swap(*e.rec, e.other);
        if (!e.memo)
            std::swap(e.rec->memo, e.other.memo); // the memo stays where it was
    }
    for (RecordEdit::Mark& m : e.marks)
        std::swap(*m.time, m.other);
    if (e.otherBest)
        std::swap(best, *e.otherBest);
}

void swapAppended(RowsAppended& a, Roster& roster)
{
    if (a.taken.empty()) {
        const auto first = roster.end() - static_cast<std::ptrdiff_t>(a.count);
        a.taken.assign(std::make_move_iterator(first), std::make_move_iterator(roster.end()));
        roster.erase(first, roster.end());
    } else {
        roster.insert(roster.end(), std::make_move_iterator(a.taken.begin()), std::make_move_iterator(a.taken.end()));
        a.taken.clear();
    }
}

void transfer(RowTransfer& t, Roster& roster, Roster& deleted)
{
    const auto at = roster.begin() + t.row;
    if (t.toDeleted) {
        deleted.push_back(std::move(*at));
        roster.erase(at);
    } else {
        roster.insert(at, std::move(deleted.back()));
        deleted.pop_back();
    }
    t.toDeleted = !t.toDeleted;
}

RecordPtr takeFrom(Roster& records, const CharRecord* rec)
{
    for (RecordPtr& p : records)
        if (p.get() == rec)
            return std::move(p);
    return nullptr;
}

bool holdsIn(const Roster& records, const CharRecord* rec)
{
    return std::any_of(records.begin(), records.end(), [rec](const RecordPtr& p) { return p.get() == rec; });
}

} // namespace

void RosterStep::apply(const SheetParts& parts)
{
    std::visit(Overloaded{
                   [&](RecordEdit& e) { swapRecord(e, parts.best); },
                   [&](RowsAppended& a) { swapAppended(a, parts.roster); },
                   [&](RowTransfer& t) { transfer(t, parts.roster, parts.deleted); },
                   [&](RowExchange& x) {
                       const auto upper = static_cast<std::size_t>(x.upper);
                       std::swap(parts.roster[upper], parts.roster[upper + 1]);
                   },
                   [&](RosterReplaced& r) {
                       std::swap(parts.roster, r.other);
                       std::swap(parts.loadedFile, r.otherFile);
                   },
               },
        change);
}

bool RosterStep::holds(const CharRecord* rec) const
{
    if (const auto* a = std::get_if<RowsAppended>(&change))
        return holdsIn(a->taken, rec);
    if (const auto* r = std::get_if<RosterReplaced>(&change))
        return holdsIn(r->other, rec);
    return false;
}

RecordPtr RosterStep::release(const CharRecord* rec)
{
    if (auto* a = std::get_if<RowsAppended>(&change))
        return takeFrom(a->taken, rec);
    if (auto* r = std::get_if<RosterReplaced>(&change))
        return takeFrom(r->other, rec);
    return nullptr;
}

RecordEdit recordBefore(CharRecord& rec, bool withMemo)
{
    RecordEdit e;
    e.rec = &rec;
    e.memo = withMemo;
    if (withMemo) {
        e.other = rec;
    } else {
        // Copied without the memo's bytes: the memo is set aside for the copy.
        MemoText memo = std::move(rec.memo);
        e.other = rec;
        rec.memo = std::move(memo);
    }
    return e;
}

std::vector<RosterStep> RosterHistory::dropRedo()
{
    const auto from = steps_.begin() + static_cast<std::ptrdiff_t>(done_);
    std::vector<RosterStep> dropped(std::make_move_iterator(from), std::make_move_iterator(steps_.end()));
    steps_.erase(from, steps_.end());
    return dropped;
}

std::vector<RosterStep> RosterHistory::push(RosterStep step, bool changesFile)
{
    std::vector<RosterStep> dropped = dropRedo();
    step.state = changesFile ? ++serial_ : position();
    steps_.push_back(std::move(step));
    ++done_;
    return dropped;
}

RosterStep& RosterHistory::undo(const SheetParts& parts)
{
    RosterStep& step = steps_[--done_];
    step.apply(parts);
    return step;
}

RosterStep& RosterHistory::redo(const SheetParts& parts)
{
    RosterStep& step = steps_[done_++];
    step.apply(parts);
    return step;
}

std::vector<RosterStep> RosterHistory::clear()
{
    done_ = 0;
    return std::exchange(steps_, {});
}

} // namespace qvr
