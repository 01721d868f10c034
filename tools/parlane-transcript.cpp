// parlane-transcript: lists, searches and exports the scene logs that the
// client writes; all of its work is in client/transcript.
#include "client/session/places.h"
#include "client/transcript/commandline.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    // The client's own folders: a portable folder when started in one,
    // otherwise the installed client's settings and logs.
    Places::set_current(Places(Places::from_system(PARLANE_DATA_FROM_BIN)));
    std::vector<std::string> arguments(argv + 1, argv + argc);
    return Transcript::run_command_line(arguments, std::cout, std::cerr);
}
