#pragma once
// What assistive technology reads of a DrawGrid: a table whose rows and columns are
// the grid's body rows and columns, headed by the fixed row (column headers) and the
// fixed column (row headers), every cell named by the text the grid's owner gives
// for it (DrawGrid::setCellText). The accessible children are all the grid's cells,
// fixed ones included, row by row (DrawGrid::cellIndex).

namespace qvr {

// Lets the toolkit's accessibility find the grid's interface; once is enough.
void installDrawGridAccessibility();

} // namespace qvr
