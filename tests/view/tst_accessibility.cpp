// What assistive technology finds of the windows: the names of their controls,
// and toggle buttons worked through their one action.
#include "common/accessibilityclient.h"
#include "common/formfixture.h"
#include "view/celleditors.h"
#include "view/rostertable.h"
#include "platform/alarm.h"
#include "platform/toggleaccessible.h"
#include "subtool/tform2.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <optional>
#include <vector>

using namespace qvr;

namespace {

// Every control a client can reach: shown, and something one reads or works.
void collectControls(QAccessibleInterface* iface, QList<QAccessibleInterface*>& out)
{
    static const QList<QAccessible::Role> controlRoles{QAccessible::PushButton, QAccessible::CheckBox,
        QAccessible::EditableText, QAccessible::ComboBox, QAccessible::List, QAccessible::Table,
        QAccessible::ProgressBar, QAccessible::StaticText};
    for (int i = 0; i < iface->childCount(); ++i) {
        QAccessibleInterface* child = iface->child(i);
        if (!child || child->state().invisible)
            continue;
        if (controlRoles.contains(child->role()))
            out << child;
        if (child->role() != QAccessible::Table) // its cells are read in tst_tableaccess
            collectControls(child, out);
    }
}

void verifyEveryControlNamed(QWidget* window, qsizetype atLeast)
{
    QList<QAccessibleInterface*> controls;
    collectControls(QAccessible::queryAccessibleInterface(window), controls);
    QVERIFY(controls.size() >= atLeast);
    for (QAccessibleInterface* control : controls)
        QVERIFY2(!control->text(QAccessible::Name).isEmpty(),
            qPrintable(QStringLiteral("%1 has no name").arg(control->object()->objectName())));
}

QString nameOf(QWidget* widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); }

// A screen reader works a toggle button through its one action.
void toggle(QWidget* button)
{
    QAccessibleActionInterface* actions = QAccessible::queryAccessibleInterface(button)->actionInterface();
    QVERIFY(actions);
    QCOMPARE(actions->actionNames(), QStringList{QAccessibleActionInterface::toggleAction()});
    actions->doAction(QAccessibleActionInterface::toggleAction());
}

struct NoSound : AlarmPlayer {
    void play(const std::string&) override { }
};

} // namespace

class TstAccessibility : public QObject {
    Q_OBJECT
private slots:
    // The toggle piece alone: its action must do what a click does, also when the
    // reader was there before the button was made.
    void toggleActionClicksTheButton_data()
    {
        QTest::addColumn<bool>("listeningFromTheStart");
        QTest::newRow("reader came later") << false;
        QTest::newRow("reader there from the start") << true;
    }
    void toggleActionClicksTheButton()
    {
        QFETCH(bool, listeningFromTheStart);
        std::optional<AccessibilityClient> early;
        if (listeningFromTheStart)
            early.emplace();
        QToolButton button; // made as the window makes its toggles
        clickOnAccessibleToggle(&button);
        button.setCheckable(true);
        button.setText(QStringLiteral("&EP1"));
        button.show();
        QSignalSpy clicks(&button, &QAbstractButton::clicked);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&button);
        QCOMPARE(iface->text(QAccessible::Name), QStringLiteral("EP1"));
        QVERIFY(iface->state().checkable);
        QVERIFY(!iface->state().checked);

        toggle(&button);
        QCOMPARE(clicks.size(), 1);
        QVERIFY(button.isChecked());
        QVERIFY(iface->state().checked);
        toggle(&button);
        QCOMPARE(clicks.size(), 2);
        QVERIFY(!button.isChecked());
        QVERIFY(!iface->state().checked);
        // A disabled button does not click.
        button.setEnabled(false);
        toggle(&button);
        QCOMPARE(clicks.size(), 2);
    }

    // The window's names, and its toggles worked by a reader: the view buttons and the
    // memo button, with the reader there from the start or coming later.
    void mainWindowControlsHaveNames_data()
    {
        QTest::addColumn<int>("view");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("colCount");
        QTest::addColumn<bool>("listeningFromTheStart");
        QTest::newRow("State, reader came later") << 0 << "SpeedButton6"
                                                  << "State" << 15 << false;
        QTest::newRow("EP1, reader there from the start") << 1 << "SpeedButton4"
                                                          << "EP1" << 16 << true;
        QTest::newRow("EP2, reader came later") << 2 << "SpeedButton5"
                                                << "EP2" << 12 << false;
    }
    void mainWindowControlsHaveNames()
    {
        QFETCH(int, view);
        QFETCH(QString, button);
        QFETCH(QString, caption);
        QFETCH(int, colCount);
        QFETCH(bool, listeningFromTheStart);
        std::optional<AccessibilityClient> early;
        if (listeningFromTheStart)
            early.emplace();
        FormFixture f;
        TForm1& w = f.start();
        if (view == 0)
            w.setViewMode(1); // so that the State button has something to switch
        auto* viewButton = w.findChild<QToolButton*>(button);
        QVERIFY(viewButton);
        toggle(viewButton);
        QCOMPARE(w.dispmode, view);
        QCOMPARE(w.DrawGrid1->colCount(), colCount);
        QVERIFY(QAccessible::queryAccessibleInterface(viewButton)->state().checked);
        QCOMPARE(nameOf(viewButton), caption);
        QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(w.DrawGrid1);
        QCOMPARE(grid->text(QAccessible::Name), QStringLiteral("Roster"));
        QCOMPARE(grid->text(QAccessible::Description), caption);
        toggle(w.SpeedButton1);
        QVERIFY(w.Panel4->isVisible());
        toggle(w.SpeedButton1);
        QVERIFY(!w.Panel4->isVisible());
        QVERIFY(!w.SpeedButton1->isChecked());

        QCOMPARE(nameOf(w.SpeedButton1), QStringLiteral("MemoWindow on/off"));
        QCOMPARE(nameOf(w.SBup), QStringLiteral("Up"));
        QCOMPARE(nameOf(w.findChild<QToolButton*>("SBdown")), QStringLiteral("Down"));
        QCOMPARE(nameOf(w.SBadd), QStringLiteral("+"));
        QCOMPARE(nameOf(w.findChild<QPushButton*>("BtnTool")), QStringLiteral("SubTool"));
        QCOMPARE(nameOf(w.LBID), QStringLiteral("ID"));
        QCOMPARE(nameOf(w.table().editors().LBType), QStringLiteral("Type"));
        QCOMPARE(nameOf(w.Memo1), QStringLiteral("Memo"));
        // The menus read without their Alt-key marks.
        QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(w.menuBar());
        QStringList menus;
        for (int i = 0; i < bar->childCount(); ++i)
            menus << bar->child(i)->text(QAccessible::Name);
        QCOMPARE(menus, (QStringList{"File", "Edit", "Option"}));
        verifyEveryControlNamed(&w, 10);
    }

    void subToolControlsHaveNamesOfTheirOwn()
    {
        NoSound sound;
        TForm2 tool("default.wav", &sound);
        tool.show();
        const std::vector<std::pair<QWidget*, QString>> expected{{tool.MaskEdit1, "Length"}, {tool.CRep, "Rep"},
            {tool.SpeedButton1, "Sound"}, {tool.Button1, "Start"}, {tool.Edit1, "Name"}, {tool.Edit2, "Result"},
            {tool.CBB, "QVRNX"}, {tool.CBType, "Class"}};
        for (const auto& [widget, name] : expected)
            QCOMPARE(nameOf(widget), name);
        verifyEveryControlNamed(&tool, static_cast<qsizetype>(expected.size()) + 1);
    }
};

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
