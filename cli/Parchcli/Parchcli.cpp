// Parchcli: extracts the text or the images of one PDF document per call.

#include "cli/Parchcli/ParchcliMain.h"

#include <iostream>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    parch::ParchcliMain program(std::cout);
    return program.Run(arguments);
}
