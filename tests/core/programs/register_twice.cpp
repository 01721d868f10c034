// Two registrations: the second wins, with a warning.
#include "libs/core/source/core/application.h"

namespace
{

class First: public Kel::Application
{
public:
    First(int, char**) { }
    int main() override { return 1; }
};

class Second: public Kel::Application
{
public:
    Second(int, char**) { }
    int main() override { return 2; }
};

Kel::Application::RegApp<First> first_reg;
Kel::Application::RegApp<Second> second_reg;

} // namespace
