#pragma once
// The grid's columns, one table per view: each column's heading, width,
// alignment, the record field it shows, the editor that opens on it and its title
// in the exports. The grid, its editors, the accessible table and the HTML
// export read the columns here and nowhere else.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "roster/charrecord.h"
#include "roster/timevalue.h"

namespace qvr {

class RosterSheet;

// The grid's three views, as the settings file numbers them.
enum class ViewMode { State = 0, Ep1 = 1, Ep2 = 2 };
// Anything but an episode view is the State view.
ViewMode viewModeFrom(int dispmode);
inline int dispmodeOf(ViewMode view) { return static_cast<int>(view); }

// The columns every view shares; the view's values (status values or stage
// times, then the episode total) start at FirstValueColumn.
enum GridColumn : int {
    NumberColumn = 0,
    LockColumn = 1,
    NoCountColumn = 2,
    NameColumn = 3,
    IdColumn = 4,
    ClassColumn = 5,
    FirstValueColumn = 6,
};

enum class CellAlignment { Center = 1, Right = 2 };

// What a column shows of a record; the same thing is what a left press edits.
enum class ColumnField { RowNumber, Lock, NoCount, Name, SectionId, Class, Status, StageTime };

// What a left press on a body cell of an unlocked record opens or does.
enum class EditorKind { None, ToggleLock, ToggleNoCount, NameText, SectionIdList, ClassList, StatusText, TimeText };

struct Column {
    std::string_view heading; // the grid's header text
    int width; // pixels
    CellAlignment alignment; // of body cells; headings are centred
    ColumnField field;
    std::size_t index; // of the status value or stage time
    EditorKind editor;
    std::string_view title; // the column's title in the window's header table and the HTML export
    Episode episode = Episode::One; // whose stage time, for a time column
};

struct ViewColumns {
    ViewMode view;
    std::span<const Column> columns;

    int count() const { return static_cast<int>(columns.size()); }
    // The column, or nullptr outside the view.
    const Column* at(int col) const;
};

const ViewColumns& viewColumns(ViewMode view);
// The value columns of a view: the status values, or the stage times and the total.
std::span<const Column> valueColumns(ViewMode view);

// The designed width of a column of the view; columns the view does not name
// have the grid's default width.
int colwidth(ViewMode view, int col);
// The title of a column of the view, empty outside it (the HTML export's headings).
std::string_view colhead(ViewMode view, int col);

// The code page 932 text a body cell of `row` shows; empty for the emblem column,
// which shows a picture.
std::string columnText(const Column& column, const CharRecord& rec, int row);
// What is read aloud for the cell: its text, the section ID's name for the emblem.
std::string columnReadText(const Column& column, const CharRecord& rec, int row);

// Stores an editor's committed text into the current record of the document:
// name bytes, a status value in decimal, a time's digits h mm ss. Throws
// errNotInteger for a value or time the text is not.
void commitColumnText(RosterSheet& sheet, const Column& column, std::string_view text);

// A status value's text: an optional minus sign and decimal digits, in 32 bits.
std::int32_t parseStatus(std::string_view text);

} // namespace qvr
