// A normal run: exit() in the constructor does not stop the loop, the loop
// ticks until exit(7), and the object is deleted after main() returns.
#include "libs/core/source/core/application.h"

#include <cstdio>

namespace
{

class Normal: public Kel::Application
{
public:
    Normal(int, char**) { exit(5); }
    ~Normal() override { std::fprintf(stderr, "destroyed after %d ticks\n", ticks); }

private:
    void tick() override
    {
        if (++ticks == 4)
            exit(7);
    }

    int ticks = 0;
    static RegApp<Normal> reg;
};

Kel::Application::RegApp<Normal> Normal::reg;

} // namespace
