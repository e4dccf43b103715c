#pragma once
// Editing in place: the masked editor ME1 over a name, value or time cell, the
// section ID and class pickers, the flags, and the memo pane. Opens, commits and
// closes them; every change goes into the roster document.

#include <QObject>
#include <QString>
#include <functional>

#include "platform/lazywidget.h"
#include "view/gridcells.h"

class QListWidget;
class QLineEdit;
class QPlainTextEdit;
class QRect;
class QWidget;

namespace qvr {

class DrawGrid;
class RosterSheet;

class CellEditors : public QObject {
    Q_OBJECT
public:
    // Makes the memo box; called once, at its first use.
    using MemoMaker = std::function<QPlainTextEdit*()>;
    // The editors are made as hidden children of `pane`, which holds the grid. The
    // memo box, hidden at start, is made at its first use (a press on a row, the
    // memo button, an undo, a test) and wired then.
    CellEditors(RosterSheet& sheet, DrawGrid& grid, QWidget& pane, MemoMaker makeMemo);

    QLineEdit* ME1 = nullptr;
    // The section ID and class pickers, made when a press first opens them.
    LazyWidget<QListWidget> LBID{[this]() -> QListWidget& { return picker(EditorKind::SectionIdList); }};
    LazyWidget<QListWidget> LBType{[this]() -> QListWidget& { return picker(EditorKind::ClassList); }};

    // A press on a body cell of the view: selects its row and shows its memo; a
    // left press toggles a flag or opens the cell's editor, unless the row is locked.
    void cellPressed(Qt::MouseButton button, int col, int row, ViewMode view);

    void ME1KeyDown(int key);
    // Stores the editor's text into the current record; throws what the text cannot be.
    void ME1Exit();
    void LBTypeMouseUp(QListWidget* sender, Qt::MouseButton button);
    void LBTypeExit(QListWidget* sender);
    void Memo1Exit();
    // Stores a memo that is still being typed.
    void storePendingMemo();
    // At the end: the memo and an open editor's text; a value that cannot be
    // stored is dropped, since nobody is there to read a report.
    void storePendingEdits();

    // Before a click on the grid: an open editor commits (if it cannot, the
    // click is dropped and false returned) and open pickers close.
    bool closeBeforeClick();
    // The text editor ME1 is open (a picker may be open without it).
    bool editorOpen() const { return isTextEditor(open_.kind); }
    // Hides the editor without storing (the view it edited is going).
    void dropEditor();
    // After an undo or redo: the memo box shows the current record's memo when
    // it no longer holds what the box loaded.
    void followMemo();
    // The memo box, made and wired at the first call.
    QPlainTextEdit& memo();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Which editor is open, on which column, and for ME1 the text it was opened with.
    struct OpenEditor {
        EditorKind kind = EditorKind::None;
        const Column* column = nullptr;
        QString opening; // as loaded
        QString loaded; // the same as the editor gives it back
    };
    static bool isTextEditor(EditorKind kind);

    bool filterMe1(QEvent* event);
    bool filterPicker(QListWidget* list, QEvent* event);
    bool filterPickerRelease(QObject* viewport, QListWidget* list, QEvent* event);
    void open(const Column& column, int col, int row);
    void openMe1(const Column& column, const QRect& cell, int width);
    void openPicker(EditorKind kind, int index, const QRect& cell);
    // The picker of a list editor, made at the first call.
    QListWidget& picker(EditorKind kind);
    // The picker of a list editor if made (nullptr else, and for the other kinds).
    QListWidget* pickerFor(EditorKind kind) const;
    // Escape: the text the editor was opened with, still open.
    void restoreMe1();
    void loadMemo(const QString& text);
    void refuseUncodableMemoText(int position, int added);
    // Undo and redo keys in the editor or the memo box act on its text, not on
    // the roster; true when the event was such a key.
    bool undoKeyInText(QObject* watched, QEvent* event);

    RosterSheet& sheet_;
    DrawGrid& grid_;
    QWidget& pane_;
    MemoMaker makeMemo_;
    QPlainTextEdit* memo_ = nullptr; // until its first use

    QListWidget* idPicker_ = nullptr; // LBID once made
    QListWidget* classPicker_ = nullptr; // LBType once made
    OpenEditor open_;
    bool fixingMemo_ = false;
    QString memoLoaded_; // the memo text as loaded, to keep bytes the editor cannot show
};

} // namespace qvr
