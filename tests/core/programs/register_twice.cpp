// Two registrations: the second wins, with a warning.
#include "libs/core/source/core/application.h"

namespace
{

template <int Status> class Returns: public Kel::Application
{
public:
    Returns(int, char**) { }
    int main() override { return Status; }
};

Kel::Application::RegApp<Returns<1>> first_reg;
Kel::Application::RegApp<Returns<2>> second_reg;

} // namespace
