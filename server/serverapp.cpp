#include "server/serverapp.h"

#include "libs/core/source/core/except.h"
#include "server/chatserver.h"

#include <csignal>
#include <iostream>

#include <sys/resource.h>

namespace
{

// Every client needs a descriptor; lift the soft limit as far as allowed so
// that MAX_CLIENTS, not the system, decides who is turned away.
void raise_descriptor_limit()
{
    rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max)
    {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

Kel::Application::RegApp<ServerApp> ServerApp::reg;

ServerApp::ServerApp(int argc, char** argv):
    options(argc, argv), program(argc > 0 ? argv[0] : ""), server(nullptr), stop_requested(0)
{
}

ServerApp::~ServerApp()
{
    delete server;
}

void ServerApp::usage(const char* reason, const char* program_name, bool)
{
    if (reason)
        std::cerr << "UsageError: " << reason << '\n';
    std::cerr << Options::usage(program_name ? program_name : "parlane-server");
}

int ServerApp::main()
{
    if (options.get_help())
    {
        std::cout << Options::usage(program);
        return 0;
    }
    if (options.get_version())
    {
        std::cout << "parlane-server " PARLANE_VERSION "\n";
        return 0;
    }

    // A peer that vanishes must not kill the server through a write.
    std::signal(SIGPIPE, SIG_IGN);
    raise_descriptor_limit();

    try
    {
        server = new ChatServer(options, std::cout);
    }
    catch (const Kel::Exception& e)
    {
        std::cerr << program << ": " << e.what() << std::endl;
        return 1;
    }
    // Whoever waits for this line may signal at once.
    catch_signal(SIGINT);
    catch_signal(SIGTERM);
    std::cout << "Listening on " << server->get_address() << std::endl;
    set_loop_mode(TICK_BUSY);
    int status = Kel::Application::main();
    std::cout << "Server stopped" << std::endl;
    return status;
}

void ServerApp::tick()
{
    if (!stop_requested)
        server->tick();
    if (stop_requested)
        exit(0);
}

void ServerApp::sighandler(int)
{
    stop_requested = 1;
    if (server)
        server->wake();
}
