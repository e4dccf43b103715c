// Editing in place: the masked editor, the two pickers, the flags and the memo pane.

#include "app/tform1.h"

#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/errorreport.h"
#include "platform/qtext.h"
#include "view/drawgrid.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRegularExpressionValidator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <charconv>
#include <cstdlib>

using namespace qvr;

namespace {

constexpr int NAME_COLUMN = 3;
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

// A loaded time text " 1'02\"05" laid into the editor's fields as " 1\"02:05".
QString timeEditorText(std::int32_t seconds)
{
    // The mark is not carried into the editor: a commit stores the time unmarked.
    const std::int64_t plain = std::min<std::int64_t>(std::abs(static_cast<std::int64_t>(seconds)), INT32_MAX);
    const std::string t = timeToText(static_cast<std::int32_t>(plain));
    return QString::fromLatin1(t.substr(0, 2)) + u'"' + QString::fromLatin1(t.substr(3, 2)) + u':' +
           QString::fromLatin1(t.substr(6, 2));
}

// The editor's text without the mask's separators, as the commit reads it: a
// field the user emptied gives the empty text.
std::string timeFields(QString text)
{
    text.remove(u'"');
    text.remove(u':');
    return text.toStdString();
}

bool leavesForReal(QFocusEvent* e)
{
    // Switching to another application or opening a menu is no leaving of the editor.
    return e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason;
}

// Text without the characters the editor shows for bytes that form no character.
QString withoutReplacements(QString text)
{
    text.remove(QChar(0xFFFD));
    return text;
}

} // namespace

void TForm1::buildEditors()
{
    ME1 = new QLineEdit(Panel3);
    ME1->setObjectName(QStringLiteral("ME1"));
    ME1->setFixedHeight(ME1_HEIGHT);
    ME1->resize(65, ME1_HEIGHT);
    ME1->hide();
    ME1->installEventFilter(this);

    auto makePicker = [this](const char* name, QSize size, auto names) {
        auto* list = new QListWidget(Panel3);
        list->setObjectName(QString::fromLatin1(name));
        QFont f = list->font();
        f.setPixelSize(10);
        list->setFont(f);
        list->setUniformItemSizes(true);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        for (auto n : names) {
            auto* item = new QListWidgetItem(QString::fromLatin1(n.data(), static_cast<qsizetype>(n.size())), list);
            item->setSizeHint(QSize(size.width() - 4, 11));
        }
        list->setFixedSize(size);
        list->hide();
        list->installEventFilter(this);
        list->viewport()->installEventFilter(this);
        return list;
    };
    LBID = makePicker("LBID", QSize(81, 121), SECTION_ID_NAMES);
    LBType = makePicker("LBType", QSize(65, 137), CLASS_NAMES);
    // Named as the grid's header names the column they edit.
    LBID->setAccessibleName(QStringLiteral("ID"));
    LBType->setAccessibleName(QStringLiteral("Type"));

    Memo1->installEventFilter(this);
    connect(Memo1->document(), &QTextDocument::contentsChange, this,
            [this](int position, int /*removed*/, int added) { refuseUncodableMemoText(position, added); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ME1) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                guard([&] { ME1KeyDown(key->key()); });
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                restoreMe1();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && me1Open_ && leavesForReal(static_cast<QFocusEvent*>(event))) {
            // A commit that fails keeps the editor, and the focus, where they are.
            if (!guard([this] { ME1Exit(); }))
                QTimer::singleShot(0, ME1, [this] {
                    if (me1Open_)
                        ME1->setFocus();
                });
        }
    } else if (watched == LBID || watched == LBType) {
        auto* list = static_cast<QListWidget*>(watched);
        if (event->type() == QEvent::FocusOut && leavesForReal(static_cast<QFocusEvent*>(event)))
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
                DrawGrid1->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    } else if (watched == LBID->viewport() || watched == LBType->viewport()) {
        if (event->type() == QEvent::MouseButtonRelease) {
            auto* list = watched == LBID->viewport() ? LBID : LBType;
            auto button = static_cast<QMouseEvent*>(event)->button();
            // Let the list take the release first, then act on its choice.
            bool handled = QMainWindow::eventFilter(watched, event);
            guard([&] { LBTypeMouseUp(list, button); });
            return handled;
        }
    } else if (watched == Memo1) {
        if (event->type() == QEvent::FocusOut && leavesForReal(static_cast<QFocusEvent*>(event)))
            guard([this] { Memo1Exit(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TForm1::closeEditorsBeforeClick()
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

void TForm1::selectRecord()
{
    currec = (*sheet())[static_cast<std::size_t>(currow)].get();
    // The record kept alive across a load is no longer anyone's current record.
    retired_.clear();
}

void TForm1::loadMemo(const QString& text)
{
    fixingMemo_ = true;
    Memo1->setPlainText(text);
    fixingMemo_ = false;
    memoLoaded_ = Memo1->toPlainText();
}

void TForm1::DrawGrid1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y)
{
    int c = -1;
    int r = -1;
    DrawGrid1->mouseToCell(x, y, c, r);
    if (r < 1 || c < 0)
        return;
    curcol = c;
    currow = r;
    selectRecord();
    loadMemo(memoToEditor(currec->memo));
    if (button != Qt::LeftButton)
        return;
    if (c == 1) {
        currec->lock = currec->lock ? 0 : 1;
        repaintGrid();
    }
    if (currec->lock)
        return;
    const QRect cell = DrawGrid1->cellRectAt(c, r);
    if (c == 2) {
        currec->nocount = currec->nocount ? 0 : 1;
        repaintGrid();
    } else if (c == NAME_COLUMN) {
        openMe1(c, cell);
    } else if (c == 4) {
        openPicker(LBID, currec->id, cell);
    } else if (c == 5) {
        openPicker(LBType, currec->wtype, cell);
    } else if (c >= 6) {
        openMe1(c, cell);
    }
}

void TForm1::openMe1(int col, const QRect& cell)
{
    const QPoint at = DrawGrid1->viewport()->mapTo(Panel3, cell.topLeft());
    ME1->setValidator(nullptr);
    ME1->setInputMask(QString());
    QString text;
    if (col == NAME_COLUMN) {
        ME1->setMaxLength(static_cast<int>(NAME_MAX_TEXT));
        ME1->setValidator(new Cp932Validator(NAME_MAX_TEXT, ME1));
        text = fromCp932(currec->nameText());
    } else {
        const auto i = static_cast<std::size_t>(col - 6);
        switch (dispmode) {
        case 1:
            ME1->setInputMask(TIME_MASK);
            text = timeEditorText(currec->ep1time[i]);
            break;
        case 2:
            ME1->setInputMask(TIME_MASK);
            text = timeEditorText(currec->ep2time[i]);
            break;
        default:
            text = QString::number(currec->status[i]);
            // Up to four digits; a negative value from a file stays editable.
            ME1->setMaxLength(std::max(4, static_cast<int>(text.size())));
            ME1->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,4}")), ME1));
            break;
        }
    }
    ME1->setGeometry(at.x() - 1, at.y() - 2, DrawGrid1->colWidth(col), ME1_HEIGHT);
    ME1->setAccessibleName(cellText(col, 0));
    ME1->setText(text);
    me1Opening_ = text;
    me1Loaded_ = ME1->text();
    me1Tag_ = col;
    me1Open_ = true;
    ME1->show();
    ME1->raise();
    ME1->setFocus(Qt::OtherFocusReason);
    ME1->selectAll();
}

void TForm1::openPicker(QListWidget* picker, int index, const QRect& cell)
{
    const QPoint at = DrawGrid1->viewport()->mapTo(Panel3, cell.topLeft());
    const int gridBottom = DrawGrid1->mapTo(Panel3, QPoint(0, DrawGrid1->height())).y();
    int top = at.y() - 9;
    if (top + picker->height() > gridBottom)
        top = gridBottom - picker->height();
    picker->move(at.x() - 1, std::max(0, top));
    picker->setCurrentRow(index >= 0 && index < picker->count() ? index : -1);
    picker->show();
    picker->raise();
    picker->setFocus(Qt::OtherFocusReason);
}

void TForm1::restoreMe1()
{
    ME1->setText(me1Opening_);
    ME1->selectAll();
}

void TForm1::ME1KeyDown(int key)
{
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        ME1Exit();
        DrawGrid1->setFocus(Qt::OtherFocusReason);
    }
}

void TForm1::ME1Exit()
{
    if (!me1Open_)
        return;
    const QString t = ME1->text();
    const int k = me1Tag_;
    if (k == NAME_COLUMN) {
        if (t != me1Loaded_) {
            auto bytes = toCp932(withoutReplacements(t));
            currec->setName(bytes ? *bytes : std::string());
        }
    } else {
        const auto i = static_cast<std::size_t>(k - 6);
        switch (dispmode) {
        case 1: {
            const std::int32_t v = textToTime(timeFields(t));
            currec->ep1time[i] = v;
            currec->ep1time[EP1_TOTAL] = ep1StageSum(*currec);
            recomputeEp1Best(*sheet(), best);
            drawBestStrip();
            break;
        }
        case 2: {
            const std::int32_t v = textToTime(timeFields(t));
            currec->ep2time[i] = v;
            currec->ep2time[EP2_TOTAL] = ep2StageSum(*currec);
            recomputeEp2Best(*sheet(), best);
            drawBestStrip();
            break;
        }
        default:
            currec->status[i] = parseStatus(t);
            break;
        }
    }
    me1Open_ = false;
    ME1->hide();
    repaintGrid();
}

void TForm1::LBTypeMouseUp(QListWidget* sender, Qt::MouseButton button)
{
    if (button == Qt::LeftButton && sender->currentRow() >= 0) {
        if (sender == LBType)
            currec->wtype = sender->currentRow();
        else if (sender == LBID)
            currec->id = sender->currentRow();
    }
    sender->hide();
    repaintGrid();
    DrawGrid1->setFocus(Qt::OtherFocusReason);
}

void TForm1::LBTypeExit(QListWidget* sender)
{
    sender->hide();
}

void TForm1::Memo1Exit()
{
    const QString text = Memo1->toPlainText();
    if (text == memoLoaded_)
        return;  // unchanged: the record keeps its own bytes
    auto bytes = memoFromEditor(withoutReplacements(text));
    if (bytes)
        currec->memo = std::move(*bytes);
    memoLoaded_ = text;
}

void TForm1::storePendingMemo()
{
    if (Memo1->hasFocus())
        Memo1Exit();
}

void TForm1::SpeedButton1Click()
{
    Panel4->setVisible(!Panel4->isVisible());
    SpeedButton1->setChecked(Panel4->isVisible());
}

void TForm1::refuseUncodableMemoText(int position, int added)
{
    if (fixingMemo_ || added <= 0)
        return;
    QTextCursor cursor(Memo1->document());
    cursor.setPosition(position);
    cursor.setPosition(std::min(position + added, Memo1->document()->characterCount() - 1), QTextCursor::KeepAnchor);
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
