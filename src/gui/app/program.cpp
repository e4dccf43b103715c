#include "app/program.h"

#include "app/commandline.h"
#include "app/tform1.h"
#include "interchange/tform3.h"
#include "platform/bulkmemory.h"
#include "platform/cp932.h"
#include "platform/error.h"
#include "platform/errorreport.h"
#include "platform/programstyle.h"
#include "platform/qtext.h"
#include "subtool/tform2.h"

#include <QApplication>
#include <QIcon>
#include <QIconEngine>
#include <QLibraryInfo>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTranslator>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <map>
#include <unistd.h>

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;

// The pictures are compiled into the window library, which the linker would
// leave out unless asked for by name; Q_INIT_RESOURCE cannot stand in a namespace.
static void initResources() { Q_INIT_RESOURCE(resources); }

namespace {
int terminatePipe[2] = {-1, -1};

extern "C" void onTerminateSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(terminatePipe[1], &byte, 1);
}

// SIGTERM (a session ending, kill) closes the main window as its close box does,
// so the settings are written; the handler only wakes the event loop.
void closeOnTerminateSignal(QApplication& app)
{
    if (::pipe2(terminatePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(terminatePipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, [] {
        char byte = 0;
        while (::read(terminatePipe[0], &byte, 1) > 0) { }
        if (Form1)
            Form1->close();
    });
    struct sigaction action { };
    action.sa_handler = onTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
}

// Qt's own texts (file dialog, message box buttons) in the user's language; the
// program's own captions and messages have no translations and stay as they are.
void loadToolkitTranslations(QApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (translator->load(QLocale::system(), QStringLiteral("qt"), QStringLiteral("_"),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
}
} // namespace

namespace qvr {

namespace {

constexpr std::size_t START_HEAP_BYTES = std::size_t(4) << 20;

// Pictures made from the SVG: reading an SVG needs an image plugin that a system may
// lack, and the window would then have no icon at all. Each is read only when the
// window system asks for it: offscreen and under Wayland it never does, and reading
// all three at start took a sixth of the start-up's instructions.
class ProgramIconEngine : public QIconEngine {
public:
    QIconEngine* clone() const override { return new ProgramIconEngine(*this); }
    QString key() const override { return QStringLiteral("qvrutl"); }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (int side : SIDES)
            sizes.append(QSize(side, side));
        return sizes;
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override
    {
        // The smallest picture that covers the size, else the largest, scaled to fit.
        const int wanted = std::max(size.width(), size.height());
        int side = SIDES.back();
        for (int s : SIDES)
            if (s >= wanted) {
                side = s;
                break;
            }
        QPixmap& picture = loaded_[side];
        if (picture.isNull())
            picture = readPng(QStringLiteral(":/qvrutl-%1.png").arg(side));
        return picture.size() == size ? picture : picture.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        painter->drawPixmap(rect, pixmap(rect.size(), mode, state));
    }

private:
    static constexpr std::array<int, 3> SIDES{48, 128, 256};
    std::map<int, QPixmap> loaded_;
};

} // namespace

QIcon programIcon()
{
    initResources();
    return QIcon(new ProgramIconEngine);
}

int runProgram(int argc, char** argv, const MainWindowHook& onMainWindow)
{
    // The windows' start-up takes about 3.5 MB of small blocks from the heap
    // (1,000 characters): faulted in page by page, about a thousand faults.
    growHeapAhead(START_HEAP_BYTES);
    const CommandLine line = parseCommandLine(argumentList(argc, argv));
    if (line.exitCode) {
        std::fputs(line.text.toLocal8Bit().constData(), *line.exitCode == 0 ? stdout : stderr);
        return *line.exitCode;
    }
    const std::string startFile = toNativePath(line.file);

    QApplication app(argc, argv);
    QApplication::setStyle(new ProgramStyle(QApplication::style()));
    QApplication::setApplicationName(QStringLiteral("qvrutl"));
    // Wayland shells find the desktop entry, and so the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral(QVR_APP_ID));
    QApplication::setWindowIcon(programIcon());
    loadToolkitTranslations(app);
    closeOnTerminateSignal(app);
    // Closing the main window ends the program, however many tool windows are open.
    QApplication::setQuitOnLastWindowClosed(false);

    guard([&onMainWindow, &startFile] {
        if (!cp932::available())
            throw Error("code page 932 conversion is not available on this system (iconv CP932)");
        Form1 = new TForm1(startFile);
        Form2 = new TForm2(Form1->soundfile);
        Form2->placeBeside(Form1);
        Form2->show();
        Form3 = new TForm3(Form1);
        if (onMainWindow)
            onMainWindow(*Form1);
        Form1->show();
        QApplication::exec();
    });

    // Destroyed in the reverse order of creation; each window writes its settings.
    if (Form3) {
        Form3->FormDestroy();
        delete Form3;
        Form3 = nullptr;
    }
    delete Form2;
    Form2 = nullptr;
    if (Form1) {
        Form1->FormDestroy();
        delete Form1;
        Form1 = nullptr;
    }
    return 0;
}

} // namespace qvr
