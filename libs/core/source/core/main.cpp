#include "libs/core/source/core/application.h"

int main(int argc, char** argv)
{
    return Kel::Application::run(argc, argv, 0);
}
