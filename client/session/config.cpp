#include "client/session/config.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/parser.h"
#include "libs/io/source/file.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

const char* bool_word(bool value)
{
    return value ? "true" : "false";
}

// The text between the double quotes of a string value.
std::string quoted(const std::string& value)
{
    return Kel::c_escape(value, false);
}

void write_all(Kel::IO::File& file, const std::string& data, const std::string& name)
{
    std::string::size_type done = 0;
    while (done < data.size())
    {
        unsigned written = file.write(data.data() + done, static_cast<unsigned>(data.size() - done));
        // A blocking file accepts at least one byte or throws; 0 would loop forever.
        if (written == 0)
            throw Kel::Exception(Kel::format("Writing to file '%s' failed", name));
        done += written;
    }
}

// Colour roles added after the first nine: saved only once changed, so that
// a file of the defaults stays exactly as older versions wrote it.
const std::map<std::string, std::string> LATER_ROLES = { { "mention", "#FFF0A0" }, { "error", "#C00000" } };

const unsigned DEFAULT_RESTORE_LINES = 200;

} // namespace

Config::Loader::Loader(Config& conf): conf(conf)
{
    add("color", &Loader::color);
    add("default_bg", &Config::default_bg);
    add("abbreviate_refs", &Config::abbreviate_refs);
    add("connect_host", &Config::connect_host);
    add("connect_name", &Config::connect_name);
    add("highlight_words", &Config::highlight_words);
    add("notify", &Config::notify);
    add("send_writing", &Config::send_writing);
    add("restore_lines", &Config::restore_lines);
    add("auto_reconnect", &Config::auto_reconnect);
}

void Config::Loader::color(const std::string& role, const std::string& colour)
{
    conf.set_color(role, colour);
}

Config::Config(const std::string& filename):
    filename(filename), default_bg(true), abbreviate_refs(false), notify("mentions"), send_writing(true),
    restore_lines(DEFAULT_RESTORE_LINES),
    auto_reconnect(true)
{
    set_color("text", "#005000");
    set_color("name", "#00A080");
    set_color("other_name", "#00A000");
    set_color("speech", "#50A000");
    set_color("ooc", "#A0A0A0");
    set_color("timestamp", "#C0C0C0");
    set_color("gm", "#004080");
    set_color("event", "#404040");
    set_color("background", "#FFFFFF");
    for (const auto& role : LATER_ROLES)
        set_color(role.first, role.second);
}

Config::Notify Config::get_notify() const
{
    if (notify == "all")
        return NOTIFY_ALL;
    if (notify == "none")
        return NOTIFY_NONE;
    return NOTIFY_MENTIONS;
}

void Config::load()
{
    std::ifstream in(filename.c_str(), std::ios_base::in | std::ios_base::binary);
    if (!in)
        return;
    Kel::DataFile::Parser parser(in, filename);
    Loader loader(*this);
    loader.load(parser);
}

void Config::save() const
{
    std::string content;
    for (const auto& color : colors)
        if (LATER_ROLES.count(color.first) == 0 || LATER_ROLES.at(color.first) != color.second)
            content += Kel::format("color \"%s\" \"%s\";\n", quoted(color.first), quoted(color.second));
    content += Kel::format("default_bg %s;\n", bool_word(default_bg));
    content += Kel::format("abbreviate_refs %s;\n", bool_word(abbreviate_refs));
    content += Kel::format("connect_host \"%s\";\n", quoted(connect_host));
    content += Kel::format("connect_name \"%s\";\n", quoted(connect_name));
    // Written only when set, so that a file of the defaults stays as it was.
    if (!highlight_words.empty())
        content += Kel::format("highlight_words \"%s\";\n", quoted(highlight_words));
    if (notify != "mentions")
        content += Kel::format("notify \"%s\";\n", quoted(notify));
    if (!send_writing)
        content += "send_writing false;\n";
    if (restore_lines != DEFAULT_RESTORE_LINES)
        content += Kel::format("restore_lines %u;\n", restore_lines);
    if (!auto_reconnect)
        content += "auto_reconnect false;\n";

    // Written beside the file (so the rename stays on one file system) and
    // renamed over it only when complete and on the disk.
    const std::string temporary = filename + ".tmp";
    try
    {
        Kel::IO::File file(temporary, Kel::IO::M_WRITE, Kel::IO::File::C_CREATE | Kel::IO::File::C_TRUNCATE);
        struct stat old_status;
        if (::stat(filename.c_str(), &old_status) == 0)
            ::fchmod(file.get_event_handle(), old_status.st_mode & 07777);
        write_all(file, content, temporary);
        if (::fsync(file.get_event_handle()) != 0)
        {
            int err = errno;
            throw Kel::SystemError(Kel::format("Can't write file '%s'", temporary), err);
        }
        file.close();
        if (std::rename(temporary.c_str(), filename.c_str()) != 0)
        {
            int err = errno;
            throw Kel::SystemError(Kel::format("Can't replace file '%s'", filename), err);
        }
    }
    catch (...)
    {
        ::unlink(temporary.c_str());
        throw;
    }
}

void Config::set_color(const std::string& role, const std::string& colour)
{
    colors[role] = colour;
}

const std::string& Config::get_color(const std::string& role) const
{
    auto i = colors.find(role);
    if (i == colors.end())
        throw Kel::InvalidParameterValue("Unknown color");
    return i->second;
}
