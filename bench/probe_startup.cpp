// The program's own start-up (qvr::runProgram, as main.cpp runs it) up to the first
// painted main window; see startup_probe.h for what it prints.

#include "app/program.h"
#include "app/tform1.h"
#include "startup_probe.h"

int main(int argc, char** argv)
{
    return qvr::runProgram(argc, argv, [](TForm1& form) {
        new qvrprobe::FirstPaint(&form, [&form] { return static_cast<long>(form.rosterSheet.roster.size()); });
    });
}
