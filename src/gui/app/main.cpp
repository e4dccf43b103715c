#include "app/program.h"

int main(int argc, char** argv) { return qvr::runProgram(argc, argv); }
