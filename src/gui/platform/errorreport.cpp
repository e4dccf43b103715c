#include "platform/errorreport.h"

#include "platform/error.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

namespace qvr {

namespace {
ErrorReportHook& hook()
{
    static ErrorReportHook h;
    return h;
}
} // namespace

QString reportText(const QString& message) { return message.endsWith(u'.') ? message : message + u'.'; }

void showErrorReport(const QString& message)
{
    QString text = reportText(message);
    if (hook()) {
        hook()(text);
        return;
    }
    QMessageBox box(
        QMessageBox::Critical, QString::fromLatin1(APP_TITLE), text, QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ErrorReport"));
    box.exec();
}

void setErrorReportHook(ErrorReportHook h) { hook() = std::move(h); }

bool guard(const std::function<void()>& handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        showErrorReport(QString::fromUtf8(e.what()));
    }
    return false;
}

} // namespace qvr
