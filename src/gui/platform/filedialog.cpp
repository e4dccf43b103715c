#include "platform/filedialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace qvr {

namespace {
OpenDialog::Hook& hook()
{
    static OpenDialog::Hook h;
    return h;
}
} // namespace

QString OpenDialog::toolkitFilter(const QString& filter)
{
    // Pairs of description and pattern, all separated by "|".
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        entries << parts[i] + QStringLiteral(" (") + patterns + u')';
    }
    return entries.join(QStringLiteral(";;"));
}

void OpenDialog::setHook(Hook h) { hook() = std::move(h); }

bool OpenDialog::execute(QWidget* parent)
{
    std::optional<QString> chosen;
    if (hook()) {
        chosen = hook()(*this);
    } else {
        QFileDialog dialog(parent);
        dialog.setObjectName(QStringLiteral("OpenDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // The descriptions already name their patterns ("QVRUTL_Ver3(*.pd3)").
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        dialog.setNameFilter(toolkitFilter(filter));
        dialog.setDefaultSuffix(defaultExt);
        if (!fileName.isEmpty()) {
            QFileInfo info(fileName);
            if (info.isAbsolute())
                dialog.setDirectory(info.absolutePath());
            dialog.selectFile(info.fileName());
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            chosen = dialog.selectedFiles().constFirst();
    }
    if (!chosen)
        return false;
    fileName = *chosen;
    return true;
}

} // namespace qvr
