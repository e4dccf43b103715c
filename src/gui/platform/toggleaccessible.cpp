#include "platform/toggleaccessible.h"

#include <QAbstractButton>
#include <QAccessibleWidget>

namespace qvr {

namespace {

constexpr char CLICKED_BY_TOGGLE[] = "clickedByToggle";

class ClickedToggleAccessible : public QAccessibleWidget {
public:
    explicit ClickedToggleAccessible(QAbstractButton* button) : QAccessibleWidget(button, QAccessible::CheckBox) { }
    QAbstractButton* button() const { return static_cast<QAbstractButton*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && button()->accessibleName().isEmpty())
            return button()->text().remove(u'&');
        return QAccessibleWidget::text(t);
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.checkable = true;
        s.checked = button()->isChecked();
        s.pressed = button()->isDown();
        return s;
    }
    QStringList actionNames() const override { return {toggleAction()}; }
    void doAction(const QString& action) override
    {
        if (action == toggleAction() && button()->isEnabled())
            button()->click();
    }
};

QAccessibleInterface* clickedToggleAccessible(const QString&, QObject* object)
{
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (button && button->property(CLICKED_BY_TOGGLE).toBool())
        return new ClickedToggleAccessible(button);
    return nullptr;
}

} // namespace

void clickOnAccessibleToggle(QAbstractButton* button)
{
    QAccessible::installFactory(clickedToggleAccessible);
    button->setProperty(CLICKED_BY_TOGGLE, true);
}

} // namespace qvr
