// Its own process entry, so that run() gets a data pointer. Exits with 42 if
// the application sees that pointer through get_data().
#include "libs/core/source/core/application.h"

namespace
{

int marker;

class Data: public Kel::Application
{
public:
    Data(int, char**) { }
    int main() override { return get_data() == &marker ? 42 : 1; }

private:
    static RegApp<Data> reg;
};

Kel::Application::RegApp<Data> Data::reg;

} // namespace

int main(int argc, char** argv)
{
    return Kel::Application::run(argc, argv, &marker);
}
