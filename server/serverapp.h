#ifndef PARLANE_SERVER_SERVERAPP_H
#define PARLANE_SERVER_SERVERAPP_H

#include "libs/core/source/core/application.h"
#include "server/options.h"

#include <csignal>

class ChatServer;

// The parlane-server program. Its loop blocks in the server's tick until a
// socket is ready, so an idle server uses no processor time; SIGINT and
// SIGTERM end it after the current turn.
class ServerApp: public Kel::Application
{
public:
    // Throws Kel::UsageError for a bad command line.
    ServerApp(int argc, char** argv);
    ~ServerApp() override;

    // Writes "UsageError: <reason>" and the usage text to standard error.
    static void usage(const char* reason, const char* program_name, bool brief);

    // Prints the usage text or the version when asked to; otherwise starts
    // the server and prints "Listening on ADDRESS:PORT"; returns 1
    // when it cannot start (the reason goes to standard error).
    int main() override;

protected:
    void tick() override;
    void sighandler(int s) override;

private:
    Options options;
    std::string program;
    ChatServer* server; // owned; null until main() starts it
    // Set by the signal handler, acted on by tick(): the loop clears its own
    // stop flag when it starts, so a signal caught just before that would
    // otherwise be lost.
    volatile std::sig_atomic_t stop_requested;

    static RegApp<ServerApp> reg;
};

#endif
