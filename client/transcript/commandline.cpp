#include "client/transcript/commandline.h"

#include "client/session/config.h"
#include "client/session/places.h"
#include "client/transcript/exporter.h"
#include "client/transcript/search.h"
#include "libs/core/source/core/except.h"
#include "libs/io/source/file.h"

#include <ostream>

namespace Transcript
{

namespace
{

const char USAGE[] =
    "Usage: parlane-transcript [--logs DIR] COMMAND\n"
    "Reads the scene logs that Parlane writes.\n"
    "\n"
    "Commands:\n"
    "  list                     every game, session and scene, with line counts and times\n"
    "  search [--game GAME] TEXT\n"
    "                           lines that hold TEXT, ignoring case\n"
    "  export --format html|markdown|bbcode|text [--no-ooc] [--no-events] [--no-times]\n"
    "         GAME/SESSION[/SCENE] [-o FILE]\n"
    "                           a session (its scenes in time order) or one scene,\n"
    "                           to FILE or to standard output\n"
    "\n"
    "Options:\n"
    "  --logs DIR               the log folder (default: Parlane's own)\n"
    "  --help                   this text\n";

struct Failure
{
    int status;
    std::string message;
};

Failure usage(const std::string& message)
{
    return Failure { 2, message };
}

struct Arguments
{
    std::string logs = default_log_folder();
    std::string command;
    std::vector<std::string> positional;
    std::string game;
    std::string format;
    std::string output;
    ExportOptions options;
    bool help = false;
};

Arguments parse(const std::vector<std::string>& arguments)
{
    Arguments a;
    for (std::size_t i = 0; i < arguments.size(); ++i)
    {
        const std::string& arg = arguments[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size())
                throw usage(arg + " needs a value");
            return arguments[++i];
        };
        if (arg == "--help" || arg == "-h")
            a.help = true;
        else if (arg == "--logs")
            a.logs = value();
        else if (arg == "--game")
            a.game = value();
        else if (arg == "--format")
            a.format = value();
        else if (arg == "-o" || arg == "--output")
            a.output = value();
        else if (arg == "--no-ooc")
            a.options.ooc = false;
        else if (arg == "--no-events")
            a.options.events = false;
        else if (arg == "--no-times")
            a.options.times = false;
        else if (arg.size() > 1 && arg[0] == '-')
            throw usage("unknown option " + arg);
        else if (a.command.empty())
            a.command = arg;
        else
            a.positional.push_back(arg);
    }
    return a;
}

void list(const LogFolder& folder, std::ostream& out)
{
    std::string game;
    std::string session;
    for (const SceneLog& log : folder.get_scenes())
    {
        if (log.game != game)
            out << log.game << '\n';
        if (log.game != game || log.session != session)
            out << "  " << log.session << '\n';
        game = log.game;
        session = log.session;
        out << "    " << log.scene << "  " << log.lines << (log.lines == 1 ? " line" : " lines");
        if (!log.first.empty())
            out << "  " << log.first << " \xE2\x80\x93 " << log.last;
        out << '\n';
    }
}

void search(const LogFolder& folder, const Arguments& a, std::ostream& out)
{
    if (a.positional.size() != 1)
        throw usage("search takes one TEXT");
    std::vector<const SceneLog*> scenes;
    for (const SceneLog& log : folder.get_scenes())
        if (a.game.empty() || log.game == a.game)
            scenes.push_back(&log);
    if (!a.game.empty() && scenes.empty())
        throw Failure { 1, "no game " + a.game + " in " + folder.get_folder() };
    Search search(scenes, a.positional[0]);
    search.run();
    for (const Hit& hit : search.take_hits())
    {
        out << hit.scene->game << '/' << hit.scene->session << '/' << hit.scene->scene << ':' << hit.number + 1
            << ": ";
        if (!hit.stamp.empty())
            out << '[' << hit.stamp << "] ";
        out << hit.text << '\n';
    }
    if (search.is_truncated())
        out << "(stopped after " << Search::MAX_HITS << " lines)\n";
}

void export_transcript(const LogFolder& folder, const Arguments& a, std::ostream& out)
{
    Format format;
    if (a.format.empty())
        throw usage("export needs --format");
    if (!parse_format(a.format, format))
        throw usage("unknown format " + a.format);
    if (a.positional.size() != 1)
        throw usage("export takes one GAME/SESSION[/SCENE]");
    const std::string& name = a.positional[0];
    std::size_t first = name.find('/');
    if (first == std::string::npos || first == 0 || first + 1 == name.size())
        throw usage("export takes GAME/SESSION[/SCENE], not " + name);
    std::string game = name.substr(0, first);
    std::size_t second = name.find('/', first + 1);
    std::string session = name.substr(first + 1, second == std::string::npos ? second : second - first - 1);
    std::vector<const SceneLog*> scenes;
    if (second == std::string::npos)
        scenes = folder.find(game, session);
    else if (const SceneLog* scene = folder.find(game, session, name.substr(second + 1)))
        scenes.push_back(scene);
    if (scenes.empty())
        throw Failure { 1, "no transcript " + name + " in " + folder.get_folder() };

    Config config(default_config_file());
    try
    {
        config.load();
    }
    catch (const Kel::Exception&)
    {
        // A settings file that does not read leaves the default colours.
    }
    std::string document = export_document(read_document(scenes), format, a.options, config);
    if (a.output.empty())
    {
        out << document;
        return;
    }
    Kel::IO::File file(a.output, Kel::IO::M_WRITE, Kel::IO::File::CreateMode(Kel::IO::File::C_CREATE
        | Kel::IO::File::C_TRUNCATE));
    file.write(document);
}

} // namespace

std::string default_config_file()
{
    return Places::current().get_config_file();
}

int run_command_line(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err)
{
    try
    {
        Arguments a = parse(arguments);
        if (a.help)
        {
            out << USAGE;
            return 0;
        }
        if (a.command != "list" && a.command != "search" && a.command != "export")
            throw usage(a.command.empty() ? "no command" : "unknown command " + a.command);
        if (a.command == "list" && !a.positional.empty())
            throw usage("list takes no arguments");
        LogFolder folder(a.logs);
        if (a.command == "list")
            list(folder, out);
        else if (a.command == "search")
            search(folder, a, out);
        else
            export_transcript(folder, a, out);
        return 0;
    }
    catch (const Failure& f)
    {
        err << "parlane-transcript: " << f.message << '\n';
        if (f.status == 2)
            err << USAGE;
        return f.status;
    }
    catch (const Kel::Exception& e)
    {
        err << "parlane-transcript: " << e.what() << '\n';
        return 1;
    }
}

} // namespace Transcript
