#pragma once
// An open-style file dialog that keeps its settings between uses: a filter in the
// form "description|pattern", a default extension and the last chosen file name.
// It neither demands that the file exist nor asks before one is replaced.

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

class QWidget;

namespace qvr {

class OpenDialog : public QObject {
    Q_OBJECT
public:
    explicit OpenDialog(QObject* parent = nullptr) : QObject(parent) { }

    QString filter; // "QVRUTL_Ver3(*.pd3)|*.pd3"
    QString defaultExt; // without the dot: "pd3"
    QString fileName; // the last chosen name; the dialog opens on it

    // Shows the dialog; on confirmation fileName becomes the chosen full path.
    bool execute(QWidget* parent);

    // The filter in the toolkit's form: "QVRUTL_Ver3(*.pd3) (*.pd3)"; the dialog
    // hides the added pattern and shows the description alone.
    static QString toolkitFilter(const QString& filter);

    // Tests answer the dialog instead of a user: return the chosen path, or nothing to cancel.
    using Hook = std::function<std::optional<QString>(const OpenDialog& dialog)>;
    static void setHook(Hook hook);
};

} // namespace qvr
