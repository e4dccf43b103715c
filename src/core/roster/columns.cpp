#include "roster/columns.h"

#include "platform/error.h"
#include "roster/rostersheet.h"

#include <array>
#include <charconv>

namespace qvr {

namespace {

constexpr int VALUE_WIDTH = 60; // also the grid's default, for columns no view names

constexpr std::array<Column, FirstValueColumn> COMMON{{
    {"No", 28, CellAlignment::Center, ColumnField::RowNumber, 0, EditorKind::None, "No"},
    {"L", 12, CellAlignment::Center, ColumnField::Lock, 0, EditorKind::ToggleLock, "LK"},
    {"C", 12, CellAlignment::Center, ColumnField::NoCount, 0, EditorKind::ToggleNoCount, "nc"},
    {"Name", 120, CellAlignment::Center, ColumnField::Name, 0, EditorKind::NameText, "Name"},
    {"ID", 16, CellAlignment::Center, ColumnField::SectionId, 0, EditorKind::SectionIdList, "ID"},
    {"Type", 65, CellAlignment::Center, ColumnField::Class, 0, EditorKind::ClassList, "TYPE"},
}};

constexpr Column status(std::string_view heading, std::size_t index, std::string_view title)
{
    return {heading, VALUE_WIDTH, CellAlignment::Right, ColumnField::Status, index, EditorKind::StatusText, title};
}

constexpr Column stage(Episode episode, std::string_view heading, std::size_t index, std::string_view title)
{
    return {heading, VALUE_WIDTH, CellAlignment::Center, ColumnField::StageTime, index, EditorKind::TimeText, title,
        episode};
}

template <std::size_t N>
constexpr std::array<Column, FirstValueColumn + N> withCommon(const std::array<Column, N>& values)
{
    std::array<Column, FirstValueColumn + N> all{};
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = i < COMMON.size() ? COMMON[i] : values[i - COMMON.size()];
    return all;
}

// Entries 6 and 7 are titled Dex and Eva in the exports, EVE and DEX in the grid.
constexpr auto STATE = withCommon<9>({{
    status("Lv", 0, "Lv"),
    status("HP", 1, "HP"),
    status("TP", 2, "TP"),
    status("DEF", 3, "Def"),
    status("STR", 4, "Str"),
    status("MIND", 5, "Mind"),
    status("EVE", 6, "Dex"),
    status("DEX", 7, "Eva"),
    status("LUK", 8, "Luck"),
}});

// What an episode's view is made from: its stage count and the name its stage
// titles start with.
struct EpisodeColumns {
    Episode episode;
    std::size_t stages;
    std::string_view name; // three letters: "EP1"
};

constexpr EpisodeColumns EP1_COLUMNS{Episode::One, EP1_STAGES, "EP1"};
constexpr EpisodeColumns EP2_COLUMNS{Episode::Two, EP2_STAGES, "EP2"};

constexpr std::size_t MAX_STAGES = 9; // one digit in the headings

// The texts of an episode's stage columns, kept for its table to point at: the
// headings "C1".., the titles "EP1C1"...
struct StageTexts {
    std::array<std::array<char, 2>, MAX_STAGES> headings{};
    std::array<std::array<char, 5>, MAX_STAGES> titles{};
};

constexpr StageTexts stageTexts(const EpisodeColumns& episode)
{
    StageTexts texts;
    for (std::size_t i = 0; i < episode.stages; ++i) {
        texts.headings[i] = {'C', static_cast<char>('1' + i)};
        texts.titles[i] = {episode.name[0], episode.name[1], episode.name[2], 'C', static_cast<char>('1' + i)};
    }
    return texts;
}

template <const EpisodeColumns& View>
constexpr StageTexts STAGE_TEXTS = stageTexts(View);

// The stage columns, then the total. An edited total is stored and at once
// replaced by the sum of the stages.
template <const EpisodeColumns& View>
constexpr auto episodeView()
{
    static_assert(View.stages <= MAX_STAGES && View.name.size() == 3);
    constexpr const StageTexts& texts = STAGE_TEXTS<View>;
    std::array<Column, View.stages + 1> values{};
    for (std::size_t i = 0; i < View.stages; ++i) {
        const std::string_view heading(texts.headings[i].data(), texts.headings[i].size());
        const std::string_view title(texts.titles[i].data(), texts.titles[i].size());
        values[i] = stage(View.episode, heading, i, title);
    }
    values[View.stages] = stage(View.episode, "TOTAL", View.stages, "TOTAL");
    return withCommon(values);
}

constexpr auto EP1 = episodeView<EP1_COLUMNS>();
constexpr auto EP2 = episodeView<EP2_COLUMNS>();

// Indexed by the view's number.
const std::array<ViewColumns, 3> VIEWS{{
    {ViewMode::State, STATE},
    {ViewMode::Ep1, EP1},
    {ViewMode::Ep2, EP2},
}};

template <std::size_t N>
std::string_view nameAt(const std::array<std::string_view, N>& names, std::int32_t index)
{
    return index >= 0 && static_cast<std::size_t>(index) < N ? names[static_cast<std::size_t>(index)]
                                                             : std::string_view();
}

std::string_view flagText(std::uint8_t flag) { return flag != 0 ? "x" : ""; }

} // namespace

ViewMode viewModeFrom(int dispmode)
{
    switch (dispmode) {
    case 1: return ViewMode::Ep1;
    case 2: return ViewMode::Ep2;
    default: return ViewMode::State;
    }
}

const Column* ViewColumns::at(int col) const
{
    return col >= 0 && col < count() ? &columns[static_cast<std::size_t>(col)] : nullptr;
}

const ViewColumns& viewColumns(ViewMode view) { return VIEWS[static_cast<std::size_t>(view)]; }

std::span<const Column> valueColumns(ViewMode view) { return viewColumns(view).columns.subspan(FirstValueColumn); }

int colwidth(ViewMode view, int col)
{
    const Column* column = viewColumns(view).at(col);
    return column ? column->width : VALUE_WIDTH;
}

std::string_view colhead(ViewMode view, int col)
{
    const Column* column = viewColumns(view).at(col);
    return column ? column->title : std::string_view();
}

std::string columnText(const Column& column, const CharRecord& rec, int row)
{
    switch (column.field) {
    case ColumnField::RowNumber: return std::to_string(row);
    case ColumnField::Lock: return std::string(flagText(rec.lock));
    case ColumnField::NoCount: return std::string(flagText(rec.nocount));
    case ColumnField::Name: return std::string(rec.nameText());
    case ColumnField::SectionId: return {};
    case ColumnField::Class: return std::string(nameAt(CLASS_NAMES, rec.wtype));
    case ColumnField::Status: return std::to_string(rec.status.at(column.index));
    case ColumnField::StageTime:
        return std::string(TimeText(episodeShape(column.episode).readTimes(rec)[column.index]).view());
    }
    return {};
}

std::string columnReadText(const Column& column, const CharRecord& rec, int row)
{
    if (column.field == ColumnField::SectionId)
        return std::string(nameAt(SECTION_ID_NAMES, rec.id));
    return columnText(column, rec, row);
}

void commitColumnText(RosterSheet& sheet, const Column& column, std::string_view text)
{
    switch (column.field) {
    case ColumnField::Name: sheet.setName(text); break;
    case ColumnField::Status: sheet.setStatus(column.index, parseStatus(text)); break;
    case ColumnField::StageTime: sheet.setStageTime(column.episode, column.index, textToTime(text)); break;
    default: break; // the other columns are edited by a toggle or a list, not by text
    }
}

std::int32_t parseStatus(std::string_view text)
{
    std::int32_t v = 0;
    const char* end = text.data() + text.size();
    auto [stop, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || stop != end)
        throw errNotInteger(text);
    return v;
}

} // namespace qvr
