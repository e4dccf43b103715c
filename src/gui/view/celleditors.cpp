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
#include <climits>
#include <optional>

namespace qvr {

namespace {

// The editors' geometry. They are placed by the pressed cell's top left corner,
// mapped into the pane: ME1 covers the cell, a picker starts a little above it.
constexpr int ME1_HEIGHT = 20;
constexpr int ME1_DESIGNED_WIDTH = 65;
constexpr QPoint ME1_OFFSET{-1, -2};
constexpr QPoint PICKER_OFFSET{-1, -9};
constexpr QSize LBID_SIZE{81, 121};
constexpr QSize LBTYPE_SIZE{65, 137};
constexpr int PICKER_ITEM_HEIGHT = 11;
constexpr int PICKER_FONT_PIXELS = 10;
constexpr int PICKER_FRAME = 4; // an item is the list's width less its frame

// The time editor's fields h, mm and ss; blanks show as spaces.
const QString TIME_MASK = QStringLiteral("00\"00:00; ");

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

// Text without the characters the editor shows for bytes that form no character.
QString withoutReplacements(QString text)
{
    text.remove(QChar(0xFFFD));
    return text;
}

// How ME1 edits one kind of column: its settings and the text it opens with,
// and the bytes a commit hands to the document (none: store nothing).
struct TextEditing {
    QString (*load)(const CharRecord& rec, const Column& column);
    void (*setUp)(QLineEdit& editor, const QString& text);
    std::optional<std::string> (*committed)(const QString& text, const QString& loaded);
};

const TextEditing NAME_EDITING{
    [](const CharRecord& rec, const Column&) { return fromCp932(rec.nameText()); },
    [](QLineEdit& editor, const QString&) {
        editor.setMaxLength(static_cast<int>(NAME_MAX_TEXT));
        editor.setValidator(new Cp932Validator(NAME_MAX_TEXT, &editor));
    },
    // An untouched name keeps its own bytes, those the editor cannot show included.
    [](const QString& text, const QString& loaded) -> std::optional<std::string> {
        if (text == loaded)
            return std::nullopt;
        return toCp932(withoutReplacements(text)).value_or(std::string());
    },
};

const TextEditing STATUS_EDITING{
    [](const CharRecord& rec, const Column& column) { return QString::number(rec.status.at(column.index)); },
    [](QLineEdit& editor, const QString& text) {
        // Up to four digits; a negative value from a file stays editable.
        editor.setMaxLength(std::max(4, static_cast<int>(text.size())));
        editor.setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,4}")), &editor));
    },
    [](const QString& text, const QString&) -> std::optional<std::string> { return text.toStdString(); },
};

const TextEditing TIME_EDITING{
    [](const CharRecord& rec, const Column& column) {
        return timeEditorText(episodeShape(column.episode).readTimes(rec)[column.index]);
    },
    [](QLineEdit& editor, const QString&) { editor.setInputMask(TIME_MASK); },
    // Without the mask's separators, as the commit reads it: a field the user
    // emptied gives the empty text.
    [](const QString& text, const QString&) -> std::optional<std::string> {
        QString digits = text;
        digits.remove(u'"');
        digits.remove(u':');
        return digits.toStdString();
    },
};

const TextEditing& textEditing(EditorKind kind)
{
    switch (kind) {
    case EditorKind::NameText: return NAME_EDITING;
    case EditorKind::StatusText: return STATUS_EDITING;
    default: return TIME_EDITING;
    }
}

bool leavesForReal(QEvent* event)
{
    // Switching to another application or opening a menu is no leaving of the editor.
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

bool isEnter(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

template <std::size_t N>
QListWidget* makePicker(QWidget& pane, const char* name, QSize size, const std::array<std::string_view, N>& names)
{
    auto* list = new QListWidget(&pane);
    list->setObjectName(QString::fromLatin1(name));
    QFont f = list->font();
    f.setPixelSize(PICKER_FONT_PIXELS);
    list->setFont(f);
    list->setUniformItemSizes(true);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    for (auto n : names) {
        auto* item = new QListWidgetItem(fromLatin1View(n), list);
        item->setSizeHint(QSize(size.width() - PICKER_FRAME, PICKER_ITEM_HEIGHT));
    }
    list->setFixedSize(size);
    list->hide();
    return list;
}

} // namespace

CellEditors::CellEditors(RosterSheet& sheet, DrawGrid& grid, QWidget& pane, MemoMaker makeMemo)
    : QObject(&pane), sheet_(sheet), grid_(grid), pane_(pane), makeMemo_(std::move(makeMemo))
{
    ME1 = new QLineEdit(&pane);
    ME1->setObjectName(QStringLiteral("ME1"));
    ME1->setFixedHeight(ME1_HEIGHT);
    ME1->resize(ME1_DESIGNED_WIDTH, ME1_HEIGHT);
    ME1->hide();
    ME1->installEventFilter(this);
}

QListWidget& CellEditors::picker(EditorKind kind)
{
    const bool id = kind == EditorKind::SectionIdList;
    QListWidget*& made = id ? idPicker_ : classPicker_;
    if (!made) {
        made = id ? makePicker(pane_, "LBID", LBID_SIZE, SECTION_ID_NAMES)
                  : makePicker(pane_, "LBType", LBTYPE_SIZE, CLASS_NAMES);
        // Named as the grid's header names the column it edits.
        made->setAccessibleName(headerText(ViewMode::State, id ? IdColumn : ClassColumn));
        made->installEventFilter(this);
        made->viewport()->installEventFilter(this);
    }
    return *made;
}

QPlainTextEdit& CellEditors::memo()
{
    if (!memo_) {
        memo_ = makeMemo_();
        memo_->installEventFilter(this);
        connect(memo_->document(), &QTextDocument::contentsChange, this,
            [this](int position, int /*removed*/, int added) { refuseUncodableMemoText(position, added); });
    }
    return *memo_;
}

bool CellEditors::isTextEditor(EditorKind kind)
{
    return kind == EditorKind::NameText || kind == EditorKind::StatusText || kind == EditorKind::TimeText;
}

QListWidget* CellEditors::pickerFor(EditorKind kind) const
{
    return kind == EditorKind::SectionIdList ? idPicker_ : kind == EditorKind::ClassList ? classPicker_ : nullptr;
}

bool CellEditors::eventFilter(QObject* watched, QEvent* event)
{
    if (undoKeyInText(watched, event))
        return true;
    if (watched == ME1)
        return filterMe1(event) || QObject::eventFilter(watched, event);
    for (QListWidget* list : {idPicker_, classPicker_}) {
        if (!list)
            continue;
        if (watched == list)
            return filterPicker(list, event) || QObject::eventFilter(watched, event);
        if (watched == list->viewport())
            return filterPickerRelease(watched, list, event);
    }
    if (watched == memo_ && event->type() == QEvent::FocusOut && leavesForReal(event))
        guard([this] { Memo1Exit(); });
    return QObject::eventFilter(watched, event);
}

// Enter commits, Escape brings back the opening text; leaving commits, and a
// commit that fails keeps the editor, and the focus, where they are.
bool CellEditors::filterMe1(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (isEnter(key))
            guard([&] { ME1KeyDown(key); });
        else if (key == Qt::Key_Escape)
            restoreMe1();
        return isEnter(key) || key == Qt::Key_Escape;
    }
    if (event->type() == QEvent::FocusOut && editorOpen() && leavesForReal(event) && !guard([this] { ME1Exit(); }))
        QTimer::singleShot(0, ME1, [this] {
            if (editorOpen())
                ME1->setFocus();
        });
    return false;
}

// From the keyboard: Enter chooses as a left-button release does, Escape leaves unchanged.
bool CellEditors::filterPicker(QListWidget* list, QEvent* event)
{
    if (event->type() == QEvent::FocusOut && leavesForReal(event))
        guard([&] { LBTypeExit(list); });
    if (event->type() != QEvent::KeyPress)
        return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (isEnter(key))
        guard([&] { LBTypeMouseUp(list, Qt::LeftButton); });
    if (key == Qt::Key_Escape) {
        guard([&] { LBTypeExit(list); });
        grid_.setFocus(Qt::OtherFocusReason);
    }
    return isEnter(key) || key == Qt::Key_Escape;
}

bool CellEditors::filterPickerRelease(QObject* viewport, QListWidget* list, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonRelease)
        return QObject::eventFilter(viewport, event);
    const auto button = static_cast<QMouseEvent*>(event)->button();
    // Let the list take the release first, then act on its choice.
    const bool handled = QObject::eventFilter(viewport, event);
    guard([&] { LBTypeMouseUp(list, button); });
    return handled;
}

bool CellEditors::undoKeyInText(QObject* watched, QEvent* event)
{
    if ((watched != ME1 && watched != memo_) ||
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
            undo ? memo_->undo() : memo_->redo();
    }
    return true;
}

bool CellEditors::closeBeforeClick()
{
    if (editorOpen() && !guard([this] { ME1Exit(); })) {
        ME1->setFocus();
        return false;
    }
    for (QListWidget* list : {idPicker_, classPicker_})
        if (list && list->isVisible())
            LBTypeExit(list);
    return true;
}

void CellEditors::dropEditor()
{
    if (editorOpen())
        open_ = {};
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
    memo().setPlainText(text);
    fixingMemo_ = false;
    memoLoaded_ = memo_->toPlainText();
}

void CellEditors::cellPressed(Qt::MouseButton button, int col, int row, ViewMode view)
{
    sheet_.selectRow(row);
    const CharRecord& rec = *sheet_.currec;
    loadMemo(memoToEditor(rec.memo));
    const Column* column = viewColumns(view).at(col);
    if (button != Qt::LeftButton || !column)
        return;
    if (column->editor == EditorKind::ToggleLock)
        sheet_.toggleLock();
    if (rec.lock)
        return;
    open(*column, col, row);
}

void CellEditors::open(const Column& column, int col, int row)
{
    const CharRecord& rec = *sheet_.currec;
    const QRect cell = grid_.cellRectAt(col, row);
    switch (column.editor) {
    case EditorKind::ToggleNoCount: sheet_.toggleNocount(); break;
    case EditorKind::SectionIdList: openPicker(EditorKind::SectionIdList, rec.id, cell); break;
    case EditorKind::ClassList: openPicker(EditorKind::ClassList, rec.wtype, cell); break;
    case EditorKind::NameText:
    case EditorKind::StatusText:
    case EditorKind::TimeText: openMe1(column, cell, grid_.colWidth(col)); break;
    case EditorKind::None:
    case EditorKind::ToggleLock: break;
    }
}

void CellEditors::openMe1(const Column& column, const QRect& cell, int width)
{
    const TextEditing& editing = textEditing(column.editor);
    const QString text = editing.load(*sheet_.currec, column);
    ME1->setValidator(nullptr);
    ME1->setInputMask(QString());
    editing.setUp(*ME1, text);
    const QPoint at = grid_.viewport()->mapTo(&pane_, cell.topLeft()) + ME1_OFFSET;
    ME1->setGeometry(at.x(), at.y(), width, ME1_HEIGHT);
    ME1->setAccessibleName(fromLatin1View(column.heading));
    ME1->setText(text);
    open_ = {column.editor, &column, text, ME1->text()};
    ME1->show();
    ME1->raise();
    ME1->setFocus(Qt::OtherFocusReason);
    ME1->selectAll();
}

void CellEditors::openPicker(EditorKind kind, int index, const QRect& cell)
{
    QListWidget* picker = &this->picker(kind);
    const QPoint at = grid_.viewport()->mapTo(&pane_, cell.topLeft()) + PICKER_OFFSET;
    const int gridBottom = grid_.mapTo(&pane_, QPoint(0, grid_.height())).y();
    const int top = std::min(at.y(), gridBottom - picker->height());
    picker->move(at.x(), std::max(0, top));
    picker->setCurrentRow(index >= 0 && index < picker->count() ? index : -1);
    open_ = {kind, nullptr, {}, {}};
    picker->show();
    picker->raise();
    picker->setFocus(Qt::OtherFocusReason);
}

void CellEditors::restoreMe1()
{
    ME1->setText(open_.opening);
    ME1->selectAll();
}

void CellEditors::ME1KeyDown(int key)
{
    if (isEnter(key)) {
        ME1Exit();
        grid_.setFocus(Qt::OtherFocusReason);
    }
}

void CellEditors::ME1Exit()
{
    if (!editorOpen())
        return;
    if (auto bytes = textEditing(open_.kind).committed(ME1->text(), open_.loaded))
        commitColumnText(sheet_, *open_.column, *bytes);
    dropEditor();
}

void CellEditors::LBTypeMouseUp(QListWidget* sender, Qt::MouseButton button)
{
    if (button == Qt::LeftButton && sender->currentRow() >= 0) {
        if (sender == classPicker_)
            sheet_.setClass(sender->currentRow());
        else if (sender == idPicker_)
            sheet_.setSectionId(sender->currentRow());
    }
    LBTypeExit(sender);
    grid_.setFocus(Qt::OtherFocusReason);
}

void CellEditors::LBTypeExit(QListWidget* sender)
{
    if (pickerFor(open_.kind) == sender)
        open_ = {};
    sender->hide();
}

void CellEditors::Memo1Exit()
{
    if (!memo_)
        return; // never made, so nothing typed
    const QString text = memo_->toPlainText();
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
    if (memo_ && memo_->window()->focusWidget() == memo_)
        Memo1Exit();
}

void CellEditors::storePendingEdits()
{
    storePendingMemo();
    if (editorOpen()) {
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
    QTextCursor cursor(memo_->document());
    cursor.setPosition(position);
    cursor.setPosition(std::min(position + added, memo_->document()->characterCount() - 1), QTextCursor::KeepAnchor);
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
