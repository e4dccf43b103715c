#pragma once
// Keys sent as a keyboard sends them: to whichever widget has the focus, or
// text as an input method delivers it.

#include "view/drawgrid.h"

#include <QApplication>
#include <QKeyEvent>
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

// Text as key presses that carry it, one character (or surrogate pair) each,
// the way an input method delivers what QTest's ASCII keys cannot.
inline void typeAsInputMethod(QWidget* widget, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype len = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString ch = text.mid(i, len);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, ch);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, ch);
        QApplication::sendEvent(widget, &release);
        i += len - 1;
    }
}
