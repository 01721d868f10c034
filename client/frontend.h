#ifndef PARLANE_CLIENT_FRONTEND_H
#define PARLANE_CLIENT_FRONTEND_H

#include "libs/core/source/time/timedelta.h"

#include <string>

namespace Kel
{
namespace IO
{
class EventDispatcher;
}
} // namespace Kel

// The toolkit and the windows, as the program's loop sees them. Made by
// make_frontend once the controller exists, since every window connects
// itself to the controller's signals as it is built.
class Frontend
{
public:
    virtual ~Frontend() { }

    // Puts the main window on the screen.
    virtual void show() = 0;
    // Dispatches what the user waits for (input, timers, drawing what is on
    // screen) and leaves background work queued. Never waits.
    virtual void drain_foreground() = 0;
    // Dispatches everything, most urgent first, for at most limit.
    virtual void drain(const Kel::Time::TimeDelta& limit) = 0;
    // Waits, at most limit, until the toolkit or one of the dispatcher's
    // objects has something to do, and does the toolkit's part once.
    virtual void wait(Kel::IO::EventDispatcher& disp, const Kel::Time::TimeDelta& limit) = 0;
    // Shows a message in a modal box and returns once the user closed it.
    virtual void show_error(const std::string& text) = 0;
};

// Starts the toolkit with the command line (which it may shorten) and builds
// the windows from the UI description file. A missing or unusable file is
// shown in an error box and then thrown as Kel::Exception.
Frontend* make_frontend(int& argc, char**& argv);

#endif
