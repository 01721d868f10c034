// A Kel::Exception without frames escapes main(): no backtrace section.
#include "libs/core/source/core/application.h"
#include "libs/core/source/core/except.h"

namespace
{

class KeyErrorApp: public Kel::Application
{
public:
    KeyErrorApp(int, char**) { }

    int main() override { throw Kel::KeyError("Unknown enum", "abc"); }

private:
    static RegApp<KeyErrorApp> reg;
};

Kel::Application::RegApp<KeyErrorApp> KeyErrorApp::reg;

} // namespace
