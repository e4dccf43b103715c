#pragma once
// Starts the real main window under the offscreen platform, in a folder of its
// own, with a settings file of the test's choosing, and drives it like a user.

#include "app/tform1.h"
#include "common/focuskeys.h"
#include "platform/errorreport.h"
#include "platform/filedialog.h"
#include "platform/programpath.h"
#include "view/drawgrid.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <optional>
#include <string>

class FormFixture {
public:
    FormFixture()
    {
        oldDir_ = QDir::currentPath();
        QDir::setCurrent(dir.path());
        // Recovery copies of the orderly end go into the test's own folder.
        oldStateHome_ = qgetenv("XDG_STATE_HOME");
        hadStateHome_ = qEnvironmentVariableIsSet("XDG_STATE_HOME");
        qputenv("XDG_STATE_HOME", dir.filePath(QStringLiteral("state")).toLocal8Bit());
        QFile::remove(settingsPath());
        qvr::setErrorReportHook([this](const QString& text) { reports << text; });
        qvr::OpenDialog::setHook([this](const qvr::OpenDialog& d) -> std::optional<QString> {
            dialogFilters << d.filter;
            dialogNames << d.fileName;
            if (answers.isEmpty())
                return std::nullopt;
            const QString answer = answers.takeFirst();
            return answer == ENTER ? d.fileName : answer;
        });
    }
    ~FormFixture()
    {
        if (form && Form1 == form.get())
            Form1 = nullptr;
        form.reset();
        qvr::setErrorReportHook({});
        qvr::OpenDialog::setHook({});
        QFile::remove(settingsPath());
        QDir::setCurrent(oldDir_);
        if (hadStateHome_)
            qputenv("XDG_STATE_HOME", oldStateHome_);
        else
            qunsetenv("XDG_STATE_HOME");
    }

    QString recoveryFolder() const { return dir.filePath(QStringLiteral("state/qvrutl/recovery")); }
    QStringList recoveryFiles() const
    {
        return QDir(recoveryFolder()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    static QString settingsPath() { return QString::fromStdString(qvr::programSettingsPath()); }

    void writeSettings(const QByteArray& text)
    {
        QFile f(settingsPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray readSettings() const
    {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    TForm1& start(const std::string& startFile = {})
    {
        form = std::make_unique<TForm1>(startFile);
        Form1 = form.get();
        form->show();
        QApplication::setActiveWindow(form.get());
        if (!QTest::qWaitForWindowActive(form.get()))
            qWarning("main window not active");
        return *form;
    }

    void click(int col, int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(form->DrawGrid1->viewport(), button, {}, form->DrawGrid1->cellRect(col, row).center());
    }
    void keyUpInGrid(Qt::Key key)
    {
        form->DrawGrid1->setFocus();
        QTest::keyClick(form->DrawGrid1, key);
    }
    QTemporaryDir dir;
    std::unique_ptr<TForm1> form;
    QStringList reports;
    // Pressing Enter on the name the dialog offers: the one chosen last.
    static inline const QString ENTER = QStringLiteral("<Enter>");
    QStringList answers; // what the file dialog "chooses", in order
    QStringList dialogFilters; // the filters it was shown with
    QStringList dialogNames; // the names it opened on

private:
    QString oldDir_;
    QByteArray oldStateHome_;
    bool hadStateHome_ = false;
};
