#pragma once
// Keys sent to whichever widget has the focus, as a keyboard sends them.

#include "view/drawgrid.h"

#include <QApplication>
#include <QTest>

inline void key(int k, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "no widget has the focus");
    QTest::keyClick(focus, static_cast<Qt::Key>(k), modifiers);
}

inline void typeText(const QString& text)
{
    QWidget* focus = QApplication::focusWidget();
    QVERIFY2(focus, "no widget has the focus");
    QTest::keyClicks(focus, text);
}

// From the grid's highlight to (col, row) by arrow keys.
inline void arrowTo(const qvr::DrawGrid& grid, int col, int row)
{
    while (grid.col() < col)
        key(Qt::Key_Right);
    while (grid.col() > col)
        key(Qt::Key_Left);
    while (grid.row() < row)
        key(Qt::Key_Down);
    while (grid.row() > row)
        key(Qt::Key_Up);
}
