// The floors of bench_startup: the smallest Qt Widgets program, one plain window,
// up to its first paint; see startup_probe.h for what it prints. With "--text" the
// window shows one line of text, so that the font set-up every program with text
// pays is in (the plain window never asks for a font). With "--names" it shows the
// sample roster's Japanese and Latin names in the main window's fonts (its own, its
// bold one and the grid's), so that the same faces are loaded and the same scripts
// shaped as by the program.

#include "platform/windowfonts.h"
#include "startup_probe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv)
{
    const char* mode = argc > 1 ? argv[1] : "";
    QApplication app(argc, argv);
    QWidget window;
    window.resize(880, 413); // the size of the main window
    if (std::strcmp(mode, "--text") == 0) {
        (new QLabel(QStringLiteral("QVR Utility ver3"), &window))->move(8, 8);
    } else if (std::strcmp(mode, "--names") == 0) {
        const QString names = QStringLiteral("アカネ Kestrel ユキミ Orbit ソラ Practice ハルカ");
        QFont bold = qvr::mainWindowFont();
        bold.setBold(true);
        int y = 8;
        for (const QFont& font : {qvr::mainWindowFont(), bold, qvr::gridFont()}) {
            auto* label = new QLabel(names, &window);
            label->setFont(font);
            label->move(8, y);
            y += 24;
        }
    }
    new qvrprobe::FirstPaint(&window, {});
    window.show();
    return QApplication::exec();
}
