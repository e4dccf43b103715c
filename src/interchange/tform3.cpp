#include "interchange/tform3.h"

#include "platform/errorreport.h"
#include "platform/programpath.h"
#include "settings/profilefile.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QShowEvent>
#include <QWindow>

namespace {

constexpr int OUTER_WIDTH = 123;
constexpr int OUTER_HEIGHT = 177;

template <typename W>
W* place(W* w, const char* name, int left, int top, int width, int height)
{
    w->setObjectName(QLatin1String(name));
    w->setGeometry(left, top, width, height);
    return w;
}

} // namespace

TForm3::TForm3(QWidget* parent)
    // A caption but no buttons: the dialog is left only through "Ok".
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("File Export"));
    QFont f = QApplication::font();
    f.setPixelSize(12);
    setFont(f);
    // Until a frame is known the client takes the whole outer size; showEvent corrects it.
    resize(OUTER_WIDTH, OUTER_HEIGHT);

    GroupBox1 = place(new QGroupBox(QStringLiteral("Output Option"), this), "GroupBox1", 8, 8, 97, 97);
    CheckBox1 = place(new QCheckBox(QStringLiteral("Status"), GroupBox1), "CheckBox1", 8, 16, 65, 17);
    CheckBox2 = place(new QCheckBox(QStringLiteral("EP1Time"), GroupBox1), "CheckBox2", 8, 32, 73, 17);
    CheckBox3 = place(new QCheckBox(QStringLiteral("EP2Time"), GroupBox1), "CheckBox3", 8, 48, 73, 17);
    CheckBox4 = place(new QCheckBox(QStringLiteral("Memo"), GroupBox1), "CheckBox4", 8, 64, 65, 17);
    Button3 = place(new QPushButton(QStringLiteral("Ok"), this), "Button3", 8, 112, 97, 25);
    connect(Button3, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, CheckBox3);
    setTabOrder(CheckBox3, CheckBox4);
    setTabOrder(CheckBox4, Button3);

    setOptions(qvr::readExportOptions(qvr::programSettingsPath()));
}

void TForm3::FormDestroy()
{
    qvr::guard([this] { qvr::writeExportOptions(qvr::programSettingsPath(), options()); });
}

qvr::ExportOptions TForm3::options() const
{
    return {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked(),
            CheckBox4->isChecked()};
}

void TForm3::setOptions(const qvr::ExportOptions& o)
{
    CheckBox1->setChecked(o.outStatus);
    CheckBox2->setChecked(o.outEp1Time);
    CheckBox3->setChecked(o.outEp2Time);
    CheckBox4->setChecked(o.outMemo);
}

void TForm3::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    // The outer size counts the frame, which is known only once the window exists.
    if (QWindow* w = windowHandle()) {
        QMargins m = w->frameMargins();
        resize(OUTER_WIDTH - m.left() - m.right(), OUTER_HEIGHT - m.top() - m.bottom());
    }
    if (QWidget* p = parentWidget()) {
        QRect outer = frameGeometry();
        outer.moveCenter(p->window()->frameGeometry().center());
        move(outer.topLeft());
    }
}
