// main() lets a std::runtime_error escape after a few turns. The destructor
// reports itself, so the tests can see that it runs after the report.
#include "libs/core/source/core/application.h"

#include <cstdio>
#include <stdexcept>

namespace
{

class RuntimeError: public Kel::Application
{
public:
    RuntimeError(int, char**) { set_loop_mode(TICK_BUSY); }
    ~RuntimeError() override { std::fputs("destroyed\n", stderr); }

private:
    void tick() override
    {
        if (++ticks == 3)
            throw std::runtime_error("lost the connection to the moon");
    }

    int ticks = 0;
    static RegApp<RuntimeError> reg;
};

Kel::Application::RegApp<RuntimeError> RuntimeError::reg;

} // namespace
