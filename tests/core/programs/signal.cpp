// catch_signal() routes SIGUSR1 to the running application's sighandler(),
// which ends the loop with 100 + the signal number.
#include "libs/core/source/core/application.h"

#include <signal.h>

namespace
{

class Signal: public Kel::Application
{
public:
    Signal(int, char**) { catch_signal(SIGUSR1); }

private:
    void tick() override { raise(SIGUSR1); }
    void sighandler(int s) override { exit(100 + s); }

    static RegApp<Signal> reg;
};

Kel::Application::RegApp<Signal> Signal::reg;

} // namespace
