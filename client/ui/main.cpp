// The parlane program: answers --help and --version without a display,
// decides where its files are, and runs the controller.

#include "client/session/places.h"
#include "client/ui/toolkit.h"
#include "libs/core/source/core/application.h"
#include "libs/core/source/core/except.h"

#include <cstring>
#include <iostream>

namespace
{

const char USAGE[] = "Usage: parlane [toolkit options]\n"
                     "A client for Parlane role-play chat servers.\n"
                     "\n"
                     "  --help       show this text\n"
                     "  --version    show the version\n"
                     "\n"
                     "The toolkit's own options work as well, such as --display DISPLAY,\n"
                     "--name NAME, --class CLASS, --sync and --gtk-module MODULE.\n"
                     "\n"
                     "Started in a folder that holds parlane.glade, Parlane keeps its settings\n"
                     "(parlane.conf) and scene logs there. Otherwise it reads its files from\n"
                     "its installed data folder and keeps its settings in\n"
                     "$XDG_CONFIG_HOME/parlane/parlane.conf (~/.config/parlane/) and its scene\n"
                     "logs in $XDG_DATA_HOME/parlane/GAME/ (~/.local/share/parlane/).\n";

} // namespace

int main(int argc, char** argv)
{
    // Arguments after "--" are left to the toolkit, which ignores them.
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i)
    {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
        {
            std::cout << USAGE;
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0)
        {
            std::cout << "parlane " PARLANE_VERSION "\n";
            return 0;
        }
    }

    const Places places(Places::from_system(PARLANE_DATA_FROM_BIN));
    try
    {
        places.prepare();
    }
    catch (const Kel::Exception& e)
    {
        std::cerr << "parlane: " << e.what() << std::endl;
        show_start_up_error(argc, argv, e.what());
        return 1;
    }
    Places::set_current(places);
    return Kel::Application::run(argc, argv, nullptr);
}
