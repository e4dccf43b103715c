#include "view/celleditors.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/errorreport.h"
#include "platform/qtext.h"
#include "roster/rostersheet.h"
#include "view/drawgrid.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <charconv>
#include <climits>

namespace qvr {

namespace {

constexpr int ME1_HEIGHT = 20;

// The time editor's fields h, mm and ss; blanks show as spaces.
const QString TIME_MASK = QStringLiteral("00\"00:00; ");

std::int32_t parseStatus(const QString& text)
{
    const std::string s = text.toStdString();
    std::int32_t v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        throw errNotInteger(s);
    return v;
}

// A time laid into the editor's fields, " 1\"02:05" for 3725. The mark is not
// carried into the editor: a commit stores the time unmarked.
QString timeEditorText(std::int32_t seconds)
{
    // The lowest value shows as the highest: its magnitude has no 32-bit form.
    const TimeFields t = splitTime(std::max(seconds, -INT32_MAX));
    return QStringLiteral("%1\"%2:%3")
        .arg(t.hours, 2, 10, QChar(u' '))
        .arg(t.minutes, 2, 10, QChar(u'0'))
        .arg(t.seconds, 2, 10, QChar(u'0'));
}

// The editor's text without the mask's separators, as the commit reads it: a
// field the user emptied gives the empty text.
std::string timeFields(QString text)
{
    text.remove(u'"');
    text.remove(u':');
    return text.toStdString();
}

bool leavesForReal(QEvent* event)
{
    // Switching to another application or opening a menu is no leaving of the editor.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Text without the characters the editor shows for bytes that form no character.
QString withoutReplacements(QString text)
{
    text.remove(QChar(0xFFFD));
    return text;
}

template <std::size_t N>
QListWidget* makePicker(QWidget& pane, const char* name, QSize size, const std::array<std::string_view, N>& names)
{
    auto* list = new QListWidget(&pane);
    list->setObjectName(QString::fromLatin1(name));
    QFont f = list->font();
    f.setPixelSize(10);
    list->setFont(f);
    list->setUniformItemSizes(true);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (auto n : names) {
        auto* item = new QListWidgetItem(fromLatin1View(n), list);
        item->setSizeHint(QSize(size.width() - 4, 11));
    }
    list->setFixedSize(size);
    list->hide();
    return list;
}

} // namespace

CellEditors::CellEditors(RosterSheet& sheet, DrawGrid& grid, QWidget& pane, QPlainTextEdit& memo)
    : QObject(&pane), sheet_(sheet), grid_(grid), pane_(pane), memo_(memo)
{
    ME1 = new QLineEdit(&pane);
    ME1->setObjectName(QStringLiteral("ME1"));
    ME1->setFixedHeight(ME1_HEIGHT);
    ME1->resize(65, ME1_HEIGHT);
    ME1->hide();
    ME1->installEventFilter(this);

    LBID = makePicker(pane, "LBID", QSize(81, 121), SECTION_ID_NAMES);
    LBType = makePicker(pane, "LBType", QSize(65, 137), CLASS_NAMES);
    // Named as the grid's header names the column they edit.
    LBID->setAccessibleName(headerText(ViewMode::State, IdColumn));
    LBType->setAccessibleName(headerText(ViewMode::State, ClassColumn));
    for (QListWidget* picker : {LBID, LBType}) {
        picker->installEventFilter(this);
        picker->viewport()->installEventFilter(this);
    }

    memo_.installEventFilter(this);
    connect(memo_.document(), &QTextDocument::contentsChange, this,
        [this](int position, int /*removed*/, int added) { refuseUncodableMemoText(position, added); });
}

bool CellEditors::eventFilter(QObject* watched, QEvent* event)
{
    if (undoKeyInText(watched, event))
        return true;
    if (watched == ME1) {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                guard([&] { ME1KeyDown(key); });
                return true;
            }
            if (key == Qt::Key_Escape) {
                restoreMe1();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && me1Open_ && leavesForReal(event)) {
            // A commit that fails keeps the editor, and the focus, where they are.
            if (!guard([this] { ME1Exit(); }))
                QTimer::singleShot(0, ME1, [this] {
                    if (me1Open_)
                        ME1->setFocus();
                });
        }
    } else if (watched == LBID || watched == LBType) {
        auto* list = static_cast<QListWidget*>(watched);
        if (event->type() == QEvent::FocusOut && leavesForReal(event))
            guard([&] { LBTypeExit(list); });
        if (event->type() == QEvent::KeyPress) {
            // From the keyboard: Enter chooses as a left-button release does, Escape leaves unchanged.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                guard([&] { LBTypeMouseUp(list, Qt::LeftButton); });
                return true;
            }
            if (key == Qt::Key_Escape) {
                guard([&] { LBTypeExit(list); });
                grid_.setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    } else if (watched == LBID->viewport() || watched == LBType->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* list = watched == LBID->viewport() ? LBID : LBType;
            auto button = static_cast<QMouseEvent*>(event)->button();
            // Let the list take the release first, then act on its choice.
            const bool handled = QObject::eventFilter(watched, event);
            guard([&] { LBTypeMouseUp(list, button); });
            return handled;
        }
    } else if (watched == &memo_) {
        if (event->type() == QEvent::FocusOut && leavesForReal(event))
            guard([this] { Memo1Exit(); });
    }
    return QObject::eventFilter(watched, event);
}

bool CellEditors::undoKeyInText(QObject* watched, QEvent* event)
{
    if ((watched != ME1 && watched != &memo_) ||
        (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const auto mods = key->modifiers() & ~Qt::KeypadModifier;
    const bool undo = key->key() == Qt::Key_Z && mods == Qt::ControlModifier;
    const bool redo = (key->key() == Qt::Key_Z && mods == (Qt::ControlModifier | Qt::ShiftModifier)) ||
        (key->key() == Qt::Key_Y && mods == Qt::ControlModifier);
    if (!undo && !redo)
        return false;
    // The override keeps the window's Undo and Redo from taking the key.
    event->accept();
    if (event->type() == QEvent::KeyPress) {
        if (watched == ME1)
            undo ? ME1->undo() : ME1->redo();
        else
            undo ? memo_.undo() : memo_.redo();
    }
    return true;
}

bool CellEditors::closeBeforeClick()
{
    if (me1Open_ && !guard([this] { ME1Exit(); })) {
        ME1->setFocus();
        return false;
    }
    for (QListWidget* picker : {LBID, LBType})
        if (picker->isVisible())
            LBTypeExit(picker);
    return true;
}

void CellEditors::dropEditor()
{
    me1Open_ = false;
    ME1->hide();
}

void CellEditors::followMemo()
{
    const QString current = memoToEditor(sheet_.currec->memo);
    if (current != memoLoaded_)
        loadMemo(current);
}

void CellEditors::loadMemo(const QString& text)
{
    fixingMemo_ = true;
    memo_.setPlainText(text);
    fixingMemo_ = false;
    memoLoaded_ = memo_.toPlainText();
}

void CellEditors::cellPressed(Qt::MouseButton button, int col, int row, ViewMode view)
{
    sheet_.selectRow(row);
    CharRecord& rec = *sheet_.currec;
    loadMemo(memoToEditor(rec.memo));
    if (button != Qt::LeftButton)
        return;
    if (col == LockColumn)
        sheet_.toggleLock();
    if (rec.lock)
        return;
    const QRect cell = grid_.cellRectAt(col, row);
    switch (col) {
    case NoCountColumn: sheet_.toggleNocount(); break;
    case IdColumn: openPicker(LBID, rec.id, cell); break;
    case ClassColumn: openPicker(LBType, rec.wtype, cell); break;
    case NameColumn: openMe1(col, view, cell); break;
    default:
        if (col >= FirstValueColumn)
            openMe1(col, view, cell);
        break;
    }
}

void CellEditors::openMe1(int col, ViewMode view, const QRect& cell)
{
    const CharRecord& rec = *sheet_.currec;
    const QPoint at = grid_.viewport()->mapTo(&pane_, cell.topLeft());
    ME1->setValidator(nullptr);
    ME1->setInputMask(QString());
    QString text;
    if (col == NameColumn) {
        ME1->setMaxLength(static_cast<int>(NAME_MAX_TEXT));
        ME1->setValidator(new Cp932Validator(NAME_MAX_TEXT, ME1));
        text = fromCp932(rec.nameText());
    } else {
        const auto i = static_cast<std::size_t>(col - FirstValueColumn);
        switch (view) {
        case ViewMode::Ep1:
            ME1->setInputMask(TIME_MASK);
            text = timeEditorText(rec.ep1time[i]);
            break;
        case ViewMode::Ep2:
            ME1->setInputMask(TIME_MASK);
            text = timeEditorText(rec.ep2time[i]);
            break;
        case ViewMode::State:
            text = QString::number(rec.status[i]);
            // Up to four digits; a negative value from a file stays editable.
            ME1->setMaxLength(std::max(4, static_cast<int>(text.size())));
            ME1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,4}")), ME1));
            break;
        }
    }
    ME1->setGeometry(at.x() - 1, at.y() - 2, grid_.colWidth(col), ME1_HEIGHT);
    ME1->setAccessibleName(headerText(view, col));
    ME1->setText(text);
    me1Opening_ = text;
    me1Loaded_ = ME1->text();
    me1Tag_ = col;
    me1View_ = view;
    me1Open_ = true;
    ME1->show();
    ME1->raise();
    ME1->setFocus(Qt::OtherFocusReason);
    ME1->selectAll();
}

void CellEditors::openPicker(QListWidget* picker, int index, const QRect& cell)
{
    const QPoint at = grid_.viewport()->mapTo(&pane_, cell.topLeft());
    const int gridBottom = grid_.mapTo(&pane_, QPoint(0, grid_.height())).y();
    int top = at.y() - 9;
    if (top + picker->height() > gridBottom)
        top = gridBottom - picker->height();
    picker->move(at.x() - 1, std::max(0, top));
    picker->setCurrentRow(index >= 0 && index < picker->count() ? index : -1);
    picker->show();
    picker->raise();
    picker->setFocus(Qt::OtherFocusReason);
}

void CellEditors::restoreMe1()
{
    ME1->setText(me1Opening_);
    ME1->selectAll();
}

void CellEditors::ME1KeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ME1Exit();
        grid_.setFocus(Qt::OtherFocusReason);
    }
}

void CellEditors::ME1Exit()
{
    if (!me1Open_)
        return;
    const QString t = ME1->text();
    if (me1Tag_ == NameColumn) {
        if (t != me1Loaded_) {
            auto bytes = toCp932(withoutReplacements(t));
            sheet_.setName(bytes ? *bytes : std::string());
        }
    } else {
        const auto i = static_cast<std::size_t>(me1Tag_ - FirstValueColumn);
        switch (me1View_) {
        case ViewMode::Ep1: sheet_.setStageTime(Episode::One, i, textToTime(timeFields(t))); break;
        case ViewMode::Ep2: sheet_.setStageTime(Episode::Two, i, textToTime(timeFields(t))); break;
        case ViewMode::State: sheet_.setStatus(i, parseStatus(t)); break;
        }
    }
    dropEditor();
}

void CellEditors::LBTypeMouseUp(QListWidget* sender, Qt::MouseButton button)
{
    if (button == Qt::LeftButton && sender->currentRow() >= 0) {
        if (sender == LBType)
            sheet_.setClass(sender->currentRow());
        else if (sender == LBID)
            sheet_.setSectionId(sender->currentRow());
    }
    sender->hide();
    grid_.setFocus(Qt::OtherFocusReason);
}

void CellEditors::LBTypeExit(QListWidget* sender) { sender->hide(); }

void CellEditors::Memo1Exit()
{
    const QString text = memo_.toPlainText();
    if (text == memoLoaded_)
        return; // unchanged: the record keeps its own bytes
    if (auto bytes = memoFromEditor(withoutReplacements(text)))
        sheet_.setMemo(*bytes);
    memoLoaded_ = text;
}

void CellEditors::storePendingMemo()
{
    // The window's own focus widget: at the orderly end the window is closed and
    // no longer active, and the memo typed last is still to be stored.
    if (memo_.window()->focusWidget() == &memo_)
        Memo1Exit();
}

void CellEditors::storePendingEdits()
{
    storePendingMemo();
    if (me1Open_) {
        try {
            ME1Exit();
        } catch (const Error&) {
        }
    }
}

void CellEditors::refuseUncodableMemoText(int position, int added)
{
    if (fixingMemo_ || added <= 0)
        return;
    QTextCursor cursor(memo_.document());
    cursor.setPosition(position);
    cursor.setPosition(std::min(position + added, memo_.document()->characterCount() - 1), QTextCursor::KeepAnchor);
    const QString inserted = cursor.selectedText();
    QString kept;
    kept.reserve(inserted.size());
    bool refused = false;
    for (qsizetype i = 0; i < inserted.size(); ++i) {
        char32_t ch = inserted[i].unicode();
        qsizetype len = 1;
        if (inserted[i].isHighSurrogate() && i + 1 < inserted.size() && inserted[i + 1].isLowSurrogate()) {
            ch = QChar::surrogateToUcs4(inserted[i], inserted[i + 1]);
            len = 2;
        }
        const bool lineBreak = ch == 0x2029 || ch == u'\n';
        if (lineBreak || cp932::encodedLength(ch) > 0)
            kept += inserted.mid(i, len);
        else
            refused = true;
        i += len - 1;
    }
    if (!refused)
        return;
    fixingMemo_ = true;
    kept.replace(QChar(0x2029), u'\n');
    cursor.insertText(kept);
    fixingMemo_ = false;
}

} // namespace qvr
