#pragma once
// A stand-in for a screen reader: switches accessibility on as a client would,
// through the platform's own object, and keeps the events it hears. Needs Qt6::GuiPrivate.

#include "view/drawgrid.h"

#include <QAccessible>
#include <QtGui/private/qguiapplication_p.h>
#include <QtGui/qpa/qplatformaccessibility.h>
#include <QtGui/qpa/qplatformintegration.h>
#include <vector>

class AccessibilityClient {
public:
    // One event as a client would have heard it.
    struct Heard {
        QAccessible::Event type;
        QObject* object;
        int child;
        QString name;
        int modelChange; // for a table model change, its kind
    };
    static inline std::vector<Heard> heard;

    // Events reach clients only while a client is there.
    AccessibilityClient()
    {
        heard.clear();
        QAccessible::installUpdateHandler(listen);
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(true);
    }
    ~AccessibilityClient()
    {
        QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(false);
        QAccessible::installUpdateHandler(nullptr);
        heard.clear();
    }
    AccessibilityClient(const AccessibilityClient&) = delete;
    AccessibilityClient& operator=(const AccessibilityClient&) = delete;

    // What was heard of the grid's cell (col, row) of one kind.
    static QStringList namesHeard(const qvr::DrawGrid* grid, QAccessible::Event type, int col, int row)
    {
        QStringList names;
        for (const Heard& h : heard)
            if (h.type == type && h.object == grid && h.child == grid->cellIndex(col, row))
                names << h.name;
        return names;
    }
    static int countHeard(const qvr::DrawGrid* grid, QAccessible::Event type)
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.type == type && h.object == grid;
        return n;
    }
    static int resetsHeard(const qvr::DrawGrid* grid)
    {
        int n = 0;
        for (const Heard& h : heard)
            n += h.object == grid && h.modelChange == QAccessibleTableModelChangeEvent::ModelReset;
        return n;
    }

private:
    static void listen(QAccessibleEvent* event)
    {
        QAccessibleInterface* iface = event->accessibleInterface();
        const int modelChange = event->type() == QAccessible::TableModelChanged
            ? static_cast<QAccessibleTableModelChangeEvent*>(event)->modelChangeType()
            : -1;
        heard.push_back({event->type(), event->object(), event->child(),
            iface ? iface->text(QAccessible::Name) : QString(), modelChange});
    }
};
