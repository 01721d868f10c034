#include "client/session/places.h"

#include "client/session/safename.h"
#include "libs/core/source/core/except.h"
#include "libs/path/source/path.h"
#include "libs/path/source/utils.h"
#include "libs/strings/source/formatter.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const char UI_FILE[] = "parlane.glade";

// An XDG variable counts only when it holds an absolute path.
std::string base_dir(const std::string& variable, const std::string& home, const char* fallback)
{
    if (!variable.empty() && variable[0] == '/')
        return variable;
    return home + fallback;
}

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// "/usr/bin" and "../share/parlane" → "/usr/share/parlane".
std::string resolve(std::string dir, const std::string& relative)
{
    std::string rest = relative;
    while (rest.compare(0, 3, "../") == 0)
    {
        const std::string::size_type slash = dir.rfind('/');
        dir.erase(slash == 0 ? 1 : slash);
        rest.erase(0, 3);
    }
    return dir == "/" ? "/" + rest : dir + "/" + rest;
}

bool is_file(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void make_folder(const std::string& folder, const char* what)
{
    try
    {
        Kel::mkpath(Kel::Path(folder), 0700);
    }
    catch (const Kel::Exception& e)
    {
        throw Kel::Exception(Kel::format("Cannot create the %s %s: %s", what, folder, e.what()));
    }
    if (::access(folder.c_str(), W_OK | X_OK) != 0)
        throw Kel::Exception(Kel::format("Cannot write to the %s %s: %s", what, folder, std::strerror(errno)));
}

Places& current_places()
{
    static Places places;
    return places;
}

} // namespace

Places::Facts Places::from_system(const std::string& data_from_bin)
{
    Facts facts;
    char buffer[PATH_MAX];
    if (::getcwd(buffer, sizeof(buffer)))
        facts.working_dir = buffer;
    facts.ui_in_working_dir = is_file(UI_FILE);

    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length > 0)
    {
        std::string program(buffer, length);
        facts.data_dir = resolve(program.substr(0, program.rfind('/')), data_from_bin);
    }

    facts.home = environment("HOME");
    if (facts.home.empty())
    {
        if (const passwd* entry = ::getpwuid(::getuid()))
            facts.home = entry->pw_dir;
    }
    facts.config_home = environment("XDG_CONFIG_HOME");
    facts.data_home = environment("XDG_DATA_HOME");
    return facts;
}

Places::Places(): portable(true), config_file("parlane.conf")
{
}

Places::Places(const Facts& facts): portable(facts.ui_in_working_dir), working_dir(facts.working_dir)
{
    if (portable)
    {
        config_file = "parlane.conf";
        return;
    }
    data_dir = facts.data_dir;
    config_file = base_dir(facts.config_home, facts.home, "/.config") + "/parlane/parlane.conf";
    log_root = base_dir(facts.data_home, facts.home, "/.local/share") + "/parlane";
}

void Places::prepare() const
{
    if (portable)
        return;
    if (!is_file(get_ui_file()))
        throw Kel::Exception(Kel::format("Cannot find the user interface file %s: it is neither in the working "
                                         "directory (%s) nor in the installed data folder (%s).",
            UI_FILE, working_dir, data_dir));
    make_folder(config_file.substr(0, config_file.rfind('/')), "settings folder");
    make_folder(log_root, "scene log folder");
}

std::string Places::get_data_file(const std::string& name) const
{
    return data_dir.empty() ? name : data_dir + "/" + name;
}

std::string Places::get_game_folder(const std::string& game) const
{
    return log_root.empty() ? safe_name(game) : log_root + "/" + safe_name(game);
}

std::string Places::describe() const
{
    const std::string prefix = portable && !working_dir.empty() ? working_dir + "/" : "";
    return Kel::format("Settings: %s%s\nScene logs: %s%s<game>/\n", prefix, config_file, prefix,
        log_root.empty() ? "" : log_root + "/");
}

const Places& Places::current()
{
    return current_places();
}

void Places::set_current(const Places& places)
{
    current_places() = places;
}
