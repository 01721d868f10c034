#ifndef PARLANE_SERVER_OPTIONS_H
#define PARLANE_SERVER_OPTIONS_H

#include "server/access.h"

#include <string>
#include <vector>

// The server's command line:
//
//     parlane-server [--port N] [--bind ADDRESS] [--game NAME] [--state FILE]
//                    [--allow RANGE]... [--gm-from RANGE]... [--max-per-address N]
//                    [--help] [--version]
//
// Each option takes its value as the next argument or after "=", as in
// "--port=7254". Anything else throws Kel::UsageError.
class Options
{
public:
    static const unsigned short DEFAULT_PORT = 7254;
    // Seconds a new connection has to log in. "--login-timeout SECONDS"
    // changes it; the option is left out of the usage text because only
    // tests want anything else.
    static const unsigned DEFAULT_LOGIN_TIMEOUT = 30;

    // Throws Kel::UsageError naming the first bad argument.
    Options(int argc, char** argv);

    // The usage text, with program as the program's name.
    static std::string usage(const std::string& program);

    // 0 lets the kernel choose.
    unsigned short get_port() const { return port; }
    // A dotted IPv4 address; 0.0.0.0 serves every interface.
    const std::string& get_bind() const { return bind; }
    const std::string& get_game() const { return game; }
    // Empty: the state is kept in memory only.
    const std::string& get_state() const { return state; }
    bool get_help() const { return help; }
    bool get_version() const { return version; }
    // Who may connect and who may be the game master.
    const AccessPolicy& get_access() const { return access; }
    unsigned get_login_timeout() const { return login_timeout; }

private:
    unsigned short port;
    std::string bind;
    std::string game;
    std::string state;
    unsigned login_timeout;
    AccessPolicy access;
    bool help;
    bool version;
};

#endif
