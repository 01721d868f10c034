// Calls run() a second time from inside the running application. Exits with
// the second call's status if it created nothing, otherwise with 99.
#include "libs/core/source/core/application.h"

namespace
{

int constructed = 0;

class Twice: public Kel::Application
{
public:
    Twice(int, char**) { ++constructed; }

    int main() override
    {
        char name[] = "twice";
        char* argv[] = { name, nullptr };
        int status = Kel::Application::run(1, argv, nullptr);
        return constructed == 1 ? status : 99;
    }

private:
    static RegApp<Twice> reg;
};

Kel::Application::RegApp<Twice> Twice::reg;

} // namespace
