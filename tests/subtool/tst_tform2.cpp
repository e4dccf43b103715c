// The sub tool window: the feeding timer driven tick by tick, and the ID checker.
#include "subtool/tform2.h"

#include "platform/alarm.h"
#include "platform/errorreport.h"
#include "platform/filedialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <vector>

namespace {

struct FakePlayer : qvr::AlarmPlayer {
    std::vector<std::string> played;
    void play(const std::string& file) override { played.push_back(file); }
};

void tick(TForm2& form, int n)
{
    for (int i = 0; i < n; ++i)
        form.Timer1Timer();
}

// As an input method commits text: one character (code point) at a time.
void typeText(QLineEdit* edit, const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() ? 2 : 1;
        QInputMethodEvent commit;
        commit.setCommitString(text.mid(i, n));
        QApplication::sendEvent(edit, &commit);
        i += n - 1;
    }
}

} // namespace

class TstTForm2 : public QObject {
    Q_OBJECT
    FakePlayer* player = nullptr;
    std::unique_ptr<TForm2> form;
    QStringList reports;

    void start(const QString& text, bool rep = false)
    {
        form->MaskEdit1->setText(text);
        form->CRep->setChecked(rep);
        form->Button1->click();
    }
    std::size_t alarms() const { return player->played.size(); }

private slots:
    void init()
    {
        player = new FakePlayer;
        form = std::make_unique<TForm2>("default.wav", player);
        reports.clear();
        qvr::setErrorReportHook([this](const QString& t) { reports << t; });
    }
    void cleanup()
    {
        form.reset();
        delete player;
        qvr::setErrorReportHook({});
        qvr::OpenDialog::setHook({});
    }

    void layout()
    {
        form->show();
        QCOMPARE(form->frameGeometry().size(), QSize(204, 214));
        // Every control lies whole inside its parent at the design size.
        for (QWidget* w : form->findChildren<QWidget*>()) {
            if (w->isWindow() || !w->isVisible())
                continue;
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()), qPrintable(w->objectName()));
        }
        QWidget* order[] = {
            form->Button1, form->CRep, form->MaskEdit1, form->Edit1, form->CBB, form->Edit2, form->CBType};
        for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
            QWidget* next = order[i]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, order[i + 1]);
        }
    }

    void countdown_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("rep");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("shown");
        QTest::newRow("default") << "3:45" << false << 225 << " 0'03\"45";
        QTest::newRow("default, rep") << "3:45" << true << 225 << " 0'03\"45";
        QTest::newRow("one second") << "0:01" << false << 1 << " 0'00\"01";
        QTest::newRow("one second, rep") << "1" << true << 1 << " 0'00\"01";
        QTest::newRow("empty") << "" << false << 0 << " 0'00\"00";
        QTest::newRow("zeros, rep") << "0:00" << true << 0 << " 0'00\"00";
        QTest::newRow("fields capped") << "99:99" << false << 3599 << " 0'59\"59";
        QTest::newRow("ten minutes") << "10:00" << false << 600 << " 0'10\"00";
    }
    void countdown()
    {
        QFETCH(QString, text);
        QFETCH(bool, rep);
        QFETCH(int, length);
        QFETCH(QString, shown);
        start(text, rep);
        QCOMPARE(form->timerlength, length);
        QCOMPARE(form->MaskEdit1->text(), shown);
        QCOMPARE(form->ProgBar1->value(), 0);
        QCOMPARE(form->ProgBar1->maximum(), std::max(length, 1));
        QCOMPARE(form->Button1->text(), "STOP!");
        QVERIFY(form->Timer1->isActive());

        tick(*form, length - 1);
        QCOMPARE(alarms(), 0u);
        QCOMPARE(form->ProgBar1->value(), std::max(length - 1, 0));
        tick(*form, 1);
        QCOMPARE(alarms(), 1u);
        QCOMPARE(player->played.back(), "default.wav");
        QCOMPARE(form->ProgBar1->value(), std::max(length - 1, 0)); // never full
        QCOMPARE(form->Timer1->isActive(), rep);
        QCOMPARE(form->Button1->text(), rep ? "STOP!" : "START");
        if (rep) {
            QCOMPARE(form->timerelapsed, 0);
            tick(*form, std::max(length, 1));
            QCOMPARE(alarms(), 2u);
        }
        // The text set by the start reads back to the same length.
        form->Timer1->stop();
        form->Button1->click();
        QCOMPARE(form->timerlength, length);
    }

    void stopThenStartBeginsAtZero()
    {
        start("0:10");
        tick(*form, 4);
        form->Button1->click();
        QCOMPARE(form->Button1->text(), "START");
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->timerelapsed, 4);
        QCOMPARE(form->ProgBar1->value(), 4);
        form->Button1->click();
        QCOMPARE(form->timerelapsed, 0);
        QCOMPARE(form->ProgBar1->value(), 0);
        tick(*form, 9);
        QCOMPARE(alarms(), 0u);
        tick(*form, 1);
        QCOMPARE(alarms(), 1u);
    }

    void repLookedAtOnlyAtTheAlarm()
    {
        start("0:03");
        tick(*form, 1);
        form->CRep->setChecked(true);
        tick(*form, 2);
        QCOMPARE(alarms(), 1u);
        QVERIFY(form->Timer1->isActive());
        tick(*form, 2);
        form->CRep->setChecked(false);
        tick(*form, 1);
        QCOMPARE(alarms(), 2u);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->Button1->text(), "START");
    }

    void textWithoutDigits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("colon") << ":";
        QTest::newRow("letters") << "abc";
        QTest::newRow("marks and spaces") << " '\"";
        QTest::newRow("mark only") << "*:";
    }
    void textWithoutDigits()
    {
        QFETCH(QString, text);
        start(text);
        QCOMPARE(reports, QStringList{QStringLiteral("'' は整数ではありません.")});
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->Button1->text(), "Start");
        QCOMPARE(form->MaskEdit1->text(), text);
        QCOMPARE(form->timerlength, 0);
        QCOMPARE(form->ProgBar1->maximum(), 100);
    }

    void typingLimit()
    {
        form->MaskEdit1->clear();
        QTest::keyClicks(form->MaskEdit1, "1234567");
        QCOMPARE(form->MaskEdit1->text(), "12345");
        start("0:03");
        const QString shown = form->MaskEdit1->text();
        QCOMPARE(shown.size(), 8);
        QTest::keyClicks(form->MaskEdit1, "9");
        QCOMPARE(form->MaskEdit1->text(), shown);
        QTest::keyClick(form->MaskEdit1, Qt::Key_Backspace);
        QCOMPARE(form->MaskEdit1->text(), shown.chopped(1));
    }

    void chosenFileFromNextAlarm()
    {
        QStringList opened;
        std::optional<QString> answer = QStringLiteral("/sounds/bell.wav");
        qvr::OpenDialog::setHook([&](const qvr::OpenDialog& d) {
            opened << d.fileName + u' ' + d.filter + u' ' + d.defaultExt;
            return answer;
        });
        start("0:02", true);
        tick(*form, 1);
        form->SpeedButton1->click();
        tick(*form, 1);
        QCOMPARE(player->played.back(), "/sounds/bell.wav"); // chosen during the countdown
        answer.reset();
        form->SpeedButton1->click();
        tick(*form, 2);
        QCOMPARE(player->played, (std::vector<std::string>{"/sounds/bell.wav", "/sounds/bell.wav"}));
        QCOMPARE(opened, (QStringList{"default.wav Sound|*.wav wav", "/sounds/bell.wav Sound|*.wav wav"}));
    }

    void closingHidesAndKeepsCounting()
    {
        form->show();
        start("0:02");
        QPointer<TForm2> alive(form.get());
        QVERIFY(form->close());
        QCoreApplication::processEvents();
        QVERIFY(alive);
        QVERIFY(!form->isVisible());
        QVERIFY(form->Timer1->isActive());
        tick(*form, 2);
        QCOMPARE(alarms(), 1u);
    }

    void realTimerTicks()
    {
        start("0:01");
        QTRY_COMPARE_WITH_TIMEOUT(alarms(), 1u, 3000);
        QVERIFY(!form->Timer1->isActive());
        QCOMPARE(form->Button1->text(), "START");
    }

    void placement_data()
    {
        QTest::addColumn<QRect>("main"); // empty: no main window
        QTest::newRow("beside") << QRect(10, 20, 300, 200);
        QTest::newRow("near the right edge") << QRect(700, 20, 80, 100);
        QTest::newRow("no main window") << QRect();
    }
    void placement()
    {
        QFETCH(QRect, main);
        QWidget mainWindow;
        mainWindow.setGeometry(main);
        form->placeBeside(main.isEmpty() ? nullptr : &mainWindow);
        const QRect avail = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint wanted = main.isEmpty() ? QPoint(480, 908) : QPoint(main.right() + 1, main.top());
        const QPoint expected(
            std::min(wanted.x(), avail.right() + 1 - 204), std::min(wanted.y(), avail.bottom() + 1 - 214));
        QCOMPARE(form->pos(), expected);
    }

    void checker_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("later");
        QTest::addColumn<int>("classIndex");
        QTest::addColumn<QString>("result");
        QTest::newRow("abc earlier") << "abc" << false << -1 << "PURPLENUM";
        QTest::newRow("abc later, no class") << "abc" << true << -1 << "WHITELL";
        QTest::newRow("abc later, RAmar") << "abc" << true << 3 << "SKYLY";
        QTest::newRow("a-hiragana later, HUmar") << "あ" << true << 0 << "PURPLENUM";
    }
    void checker()
    {
        QFETCH(QString, name);
        QFETCH(bool, later);
        QFETCH(int, classIndex);
        QFETCH(QString, result);
        form->CBB->setChecked(later);
        form->CBType->setCurrentIndex(classIndex);
        typeText(form->Edit1, name);
        QCOMPARE(form->Edit1->text(), name);
        QCOMPARE(form->Edit2->text(), result);
    }

    void checkerWaitsForTheName()
    {
        QCOMPARE(form->Edit2->text(), "Resoult");
        QCOMPARE(form->CBType->currentIndex(), -1);
        QTest::keyClicks(form->Edit1, "abc");
        QCOMPARE(form->Edit2->text(), "PURPLENUM");
        form->CBB->setChecked(true);
        form->CBType->setCurrentIndex(3);
        QCOMPARE(form->Edit2->text(), "PURPLENUM");
        QTest::keyClick(form->Edit1, Qt::Key_Backspace);
        QTest::keyClicks(form->Edit1, "c");
        QCOMPARE(form->Edit2->text(), "SKYLY");
        form->Edit1->selectAll();
        QTest::keyClick(form->Edit1, Qt::Key_Delete);
        QCOMPARE(form->Edit1->text(), "");
        QCOMPARE(form->Edit2->text(), "SKYLY");
    }

    void nameLimit_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("ascii") << "abcdefghijklmn"
                               << "abcdefghijkl";
        QTest::newRow("double-byte") << "あいうえおかきく"
                                     << "あいうえおか";
        QTest::newRow("no room for a double-byte") << "abcdefghijkあ"
                                                   << "abcdefghijk";
        QTest::newRow("half-width kana is one byte") << "ｱｲｳｴｵｶｷｸｹｺｻｼｽ"
                                                     << "ｱｲｳｴｵｶｷｸｹｺｻｼ";
        QTest::newRow("emoji") << "a😀b"
                               << "ab";
        QTest::newRow("hangul") << "x한y"
                                << "xy";
    }
    void nameLimit()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        typeText(form->Edit1, typed);
        QCOMPARE(form->Edit1->text(), kept);
    }
};

QTEST_MAIN(TstTForm2)
#include "tst_tform2.moc"
