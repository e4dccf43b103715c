#include "app/commandline.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace qvr {

namespace {

constexpr int USAGE_ERROR = 2; // the exit code of a wrong command line, as getopt-based tools have it

// Options QGuiApplication and QApplication take off the command line themselves;
// known here only so that they are not refused.
void letToolkitOptionsThrough(QCommandLineParser& parser)
{
    static const char* const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
        "qwindowgeometry", "qwindowicon", "qwindowtitle", "session", "display", "geometry", "style", "stylesheet",
        "title", "name", "qmljsdebugger"};
    static const char* const flags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync"};
    for (const char* name : withValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : flags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
}

QString usageLine(const QString& program)
{
    return QStringLiteral("Usage: %1 [options] [file]\n").arg(QFileInfo(program).fileName());
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // "-platform xcb" as Qt's applications take it, not as -p -l -a ...
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("QVR Utility: a record book of game characters."));
    // Not addHelpOption(): its --help-all lists Qt's options, which only the
    // application object knows, and that needs a display.
    const QCommandLineOption help(
        {QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")}, QStringLiteral("Displays this help."));
    parser.addOption(help);
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("file"),
        QStringLiteral("A roster file (.pd3) to open instead of the one saved last, or a version-2 file "
                       "(.pd2) to import into that one."),
        QStringLiteral("[file]"));
    letToolkitOptionsThrough(parser);

    const QString program = arguments.value(0, QStringLiteral("qvrutl"));
    CommandLine line;
    if (!parser.parse(arguments)) {
        line.exitCode = USAGE_ERROR;
        line.text = program + QStringLiteral(": ") + parser.errorText() + u'\n' + usageLine(program);
    } else if (parser.isSet(help)) {
        line.exitCode = 0;
        // The parser's own first line names the program only when an application
        // object exists, which it does not yet here.
        const QString text = parser.helpText();
        line.text = usageLine(program) + text.mid(text.indexOf(u'\n') + 1);
    } else if (parser.isSet(version)) {
        line.exitCode = 0;
        line.text = QStringLiteral("qvrutl %1\n").arg(QStringLiteral(QVR_VERSION));
    } else if (parser.positionalArguments().size() > 1) {
        line.exitCode = USAGE_ERROR;
        line.text = program + QStringLiteral(": only one file can be opened\n") + usageLine(program);
    } else {
        line.file = parser.positionalArguments().value(0);
    }
    return line;
}

QStringList argumentList(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

} // namespace qvr
