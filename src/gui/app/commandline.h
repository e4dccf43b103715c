#pragma once
// The command line, read before the window system is touched, so that --help,
// --version and a wrong argument answer also where no display can be reached.

#include <QString>
#include <QStringList>
#include <optional>

namespace qvr {

struct CommandLine {
    QString file; // the file named, empty when none
    std::optional<int> exitCode; // set: the program ends at once with this code
    QString text; // what to print before ending: on standard output with 0, standard error otherwise
};

// arguments: the program's name first, as main() gets them. The options Qt's
// application reads (-platform, -style, ...) are let through for it.
CommandLine parseCommandLine(const QStringList& arguments);

// argv as text, the program's name first.
QStringList argumentList(int argc, char** argv);

} // namespace qvr
