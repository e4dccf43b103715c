#include "interchange/tform3.h"

#include "platform/designedwindow.h"
#include "platform/errorreport.h"
#include "platform/programpath.h"
#include "settings/profilefile.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPushButton>
#include <QShowEvent>

using qvr::designWindow;
using qvr::fitOuterSize;
using qvr::place;

namespace {

constexpr QSize OUTER_SIZE{123, 177};

} // namespace

TForm3::TForm3(QWidget* parent)
    // A caption but no buttons: the dialog is left only through "Ok".
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint)
{
    designWindow(*this, "Form3", QStringLiteral("File Export"), OUTER_SIZE);

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
    return {CheckBox1->isChecked(), CheckBox2->isChecked(), CheckBox3->isChecked(), CheckBox4->isChecked()};
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
    fitOuterSize(*this, OUTER_SIZE);
    if (QWidget* p = parentWidget()) {
        QRect outer = frameGeometry();
        outer.moveCenter(p->window()->frameGeometry().center());
        move(outer.topLeft());
    }
}
