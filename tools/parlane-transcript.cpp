// parlane-transcript: lists, searches and exports the scene logs that the
// client writes; all of its work is in client/transcript.
#include "client/transcript/commandline.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return Transcript::run_command_line(arguments, std::cout, std::cerr);
}
