// The floor of bench_startup: the smallest Qt Widgets program, one plain window,
// up to its first paint; see startup_probe.h for what it prints. With "--text" the
// window shows one line of text, so that the font set-up every program with text
// pays is in (the plain window never asks for a font).

#include "startup_probe.h"

#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv)
{
    const bool text = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QApplication app(argc, argv);
    QWidget window;
    window.resize(880, 413);  // the size of the main window
    if (text)
        (new QLabel(QStringLiteral("QVR Utility ver3"), &window))->move(8, 8);
    new qvrprobe::FirstPaint(&window, {});
    window.show();
    return QApplication::exec();
}
