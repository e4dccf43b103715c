// The Edit menu: undo and redo of the roster document's steps.

#include "app/tform1.h"

#include "platform/qtext.h"
#include "view/celleditors.h"

#include <QAction>
#include <QFileInfo>

using namespace qvr;

namespace {

QString fieldName(const StepLabel& label)
{
    using Kind = StepLabel::Kind;
    const int valueColumn = FirstValueColumn + static_cast<int>(label.index);
    switch (label.kind) {
    case Kind::Name: return headerText(ViewMode::State, NameColumn);
    case Kind::Status: return headerText(ViewMode::State, valueColumn);
    case Kind::StageTime: return headerText(label.episode == Episode::One ? ViewMode::Ep1 : ViewMode::Ep2, valueColumn);
    case Kind::SectionId: return headerText(ViewMode::State, IdColumn);
    case Kind::Class: return headerText(ViewMode::State, ClassColumn);
    case Kind::Lock: return QStringLiteral("Lock");
    case Kind::Nocount: return QStringLiteral("Leave-out");
    default: return QStringLiteral("Memo");
    }
}

// "C3 of Akane", "Delete row 4": what a step did, as its menu entry names it.
QString stepCaption(const StepLabel& label)
{
    using Kind = StepLabel::Kind;
    const QString row = QString::number(label.row);
    switch (label.kind) {
    case Kind::Add: return QStringLiteral("Add row ") + row;
    case Kind::Delete: return QStringLiteral("Delete row ") + row;
    case Kind::Insert: return QStringLiteral("Insert row ") + row;
    case Kind::MoveUp: return QStringLiteral("Up row ") + row;
    case Kind::MoveDown: return QStringLiteral("Down row ") + row;
    case Kind::Import: return QStringLiteral("Import-Ver2 of %1 rows").arg(label.count);
    case Kind::Load: return QStringLiteral("Load ") + QFileInfo(fromNativePath(label.file)).fileName();
    default: break;
    }
    const QString name = label.record ? fromCp932(label.record->nameText()) : QString();
    return fieldName(label) + QStringLiteral(" of ") + (name.isEmpty() ? QStringLiteral("row ") + row : name);
}

void showStep(QAction* action, const char* verb, bool available, const StepLabel* label)
{
    QString text = QString::fromLatin1(verb);
    if (available)
        text += u' ' + QString(stepCaption(*label)).replace(u'&', QStringLiteral("&&"));
    action->setText(text);
    action->setEnabled(available);
}

} // namespace

void TForm1::buildEditMenu()
{
    undoAction_ = findChild<QAction*>(QStringLiteral("Undo1"));
    redoAction_ = findChild<QAction*>(QStringLiteral("Redo1"));
    redoAction_->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
}

void TForm1::followHistory()
{
    if (!undoAction_)
        return;
    showStep(undoAction_, "Undo", rosterSheet.canUndo(), rosterSheet.canUndo() ? &rosterSheet.undoLabel() : nullptr);
    showStep(redoAction_, "Redo", rosterSheet.canRedo(), rosterSheet.canRedo() ? &rosterSheet.redoLabel() : nullptr);
}

void TForm1::undoClick() { stepHistory(&RosterSheet::undo); }
void TForm1::redoClick() { stepHistory(&RosterSheet::redo); }

// What is being typed is stored first, as a step of its own; the memo box then
// shows what the step left in the current record.
void TForm1::stepHistory(void (RosterSheet::*step)())
{
    if (!editors_->closeBeforeClick())
        return;
    storePendingMemo();
    (rosterSheet.*step)();
    editors_->followMemo();
}
