#include "server/options.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/lexicalcast.h"
#include "server/gamestate.h"

#include <arpa/inet.h>

namespace
{

// A whole number from least to most; what names it in the usage error.
unsigned parse_number(const std::string& text, unsigned least, unsigned most, const char* what)
{
    try
    {
        unsigned int number = Kel::lexical_cast<unsigned int>(text);
        if (number >= least && number <= most)
            return number;
    }
    catch (const Kel::LexicalError&)
    {
    }
    throw Kel::UsageError(Kel::format("Invalid %s '%s'", what, text));
}

AddressRange parse_range(const std::string& text)
{
    try
    {
        return AddressRange(text);
    }
    catch (const Kel::InvalidParameterValue& e)
    {
        throw Kel::UsageError(e.what());
    }
}

} // namespace

const unsigned short Options::DEFAULT_PORT;
const unsigned Options::DEFAULT_LOGIN_TIMEOUT;

Options::Options(int argc, char** argv):
    port(DEFAULT_PORT), bind("127.0.0.1"), game("Demo"), login_timeout(DEFAULT_LOGIN_TIMEOUT), help(false),
    version(false)
{
    std::vector<AddressRange> allow, game_master;
    unsigned max_per_address = AccessPolicy::DEFAULT_MAX_PER_ADDRESS;
    for (int i = 1; i < argc; ++i)
    {
        std::string option = argv[i];
        if (option == "--help")
        {
            help = true;
            continue;
        }
        if (option == "--version")
        {
            version = true;
            continue;
        }

        std::string value;
        std::string::size_type equals = option.find('=');
        if (equals != std::string::npos && option.compare(0, 2, "--") == 0)
        {
            value = option.substr(equals + 1);
            option.erase(equals);
        }
        else if (option == "--port" || option == "--bind" || option == "--game" || option == "--state"
            || option == "--login-timeout" || option == "--allow" || option == "--gm-from"
            || option == "--max-per-address")
        {
            if (i + 1 >= argc)
                throw Kel::UsageError(Kel::format("Option %s needs a value", option));
            value = argv[++i];
        }

        if (option == "--port")
            port = static_cast<unsigned short>(parse_number(value, 0, 65535, "port"));
        else if (option == "--bind")
        {
            in_addr parsed;
            if (inet_pton(AF_INET, value.c_str(), &parsed) != 1)
                throw Kel::UsageError(Kel::format("Invalid address '%s'", value));
            bind = value;
        }
        else if (option == "--game")
        {
            if (!GameState::valid_name(value))
                throw Kel::UsageError(Kel::format("Invalid game name '%s'", value));
            game = value;
        }
        else if (option == "--state")
        {
            if (value.empty())
                throw Kel::UsageError("Option --state needs a file name");
            state = value;
        }
        else if (option == "--login-timeout")
            login_timeout = parse_number(value, 1, 86400, "login time-out"); // up to a day
        else if (option == "--allow")
            allow.push_back(parse_range(value));
        else if (option == "--gm-from")
            game_master.push_back(parse_range(value));
        else if (option == "--max-per-address")
            max_per_address = parse_number(value, 1, 65535, "connection limit");
        else
            throw Kel::UsageError(Kel::format("Unknown argument '%s'", argv[i]));
    }
    access = AccessPolicy(allow, game_master, max_per_address);
}

std::string Options::usage(const std::string& program)
{
    return Kel::format("Usage: %s [options]\n"
                       "Runs a Parlane chat server.\n"
                       "\n"
                       "  --port N         listen on TCP port N (default %d; 0 lets the system choose)\n"
                       "  --bind ADDRESS   listen on this IPv4 address (default 127.0.0.1;\n"
                       "                   0.0.0.0 serves the network)\n"
                       "  --game NAME      the game announced to every client (default Demo)\n"
                       "  --state FILE     keep characters, scenes and the session in FILE across\n"
                       "                   restarts (default: in memory only)\n"
                       "  --allow RANGE    accept connections only from this ADDRESS[/PREFIX];\n"
                       "                   repeat for more (default: from anywhere)\n"
                       "  --gm-from RANGE  let the game master log in from this ADDRESS[/PREFIX];\n"
                       "                   repeat for more (default: the loopback only)\n"
                       "  --max-per-address N\n"
                       "                   connections one address may hold at once (default %u)\n"
                       "  --help           show this text\n"
                       "  --version        show the version\n"
                       "\n"
                       "The server prints \"Listening on ADDRESS:PORT\" once it accepts clients.\n",
        program, DEFAULT_PORT, AccessPolicy::DEFAULT_MAX_PER_ADDRESS);
}
