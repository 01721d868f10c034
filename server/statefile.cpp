#include "server/statefile.h"

#include "common/chattext.h"
#include "common/names.h"
#include "libs/core/source/core/except.h"
#include "libs/datafile/source/loader.h"
#include "libs/datafile/source/parser.h"
#include "libs/io/source/file.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/utils.h"
#include "server/gamestate.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <unistd.h>

namespace
{

std::string quote(const std::string& text)
{
    return "\"" + Kel::c_escape(text, true) + "\"";
}

const char* boolean(bool value)
{
    return value ? "true" : "false";
}

// Reads the statements into a GameState. Every reference is checked, so a
// hand-edited file cannot produce a state the server would trip over.
class StateLoader: public Kel::DataFile::Loader
{
public:
    explicit StateLoader(GameState& state): state(state)
    {
        add("session", &StateLoader::session);
        add("character", &StateLoader::character);
        add("scene", &StateLoader::scene);
        add("occupant", &StateLoader::occupant);
    }

private:
    void session(const std::string& name) { state.set_session(name); }

    void character(const std::string& name, bool npc, const std::string& biography)
    {
        check_name(name);
        if (state.find_character(name))
            fail(Kel::format("Character %s twice", name));
        state.set_biography(state.add_character(name, npc), biography);
    }

    void scene(const std::string& name, bool temporary, const std::string& group)
    {
        check_name(name);
        if (!group.empty())
            check_name(group);
        GameState::Scene* existing = state.find_scene(name);
        if (existing && existing->name != Names::OOC_SCENE)
            fail(Kel::format("Scene %s twice", name));
        GameState::Scene& scene = existing ? *existing : state.add_scene(name, temporary);
        state.set_group(scene, group);
    }

    void occupant(const std::string& scene_name, const std::string& character_name)
    {
        GameState::Scene* scene = state.find_scene(scene_name);
        const GameState::Character* character = state.find_character(character_name);
        if (!scene || !character)
            fail(Kel::format("Occupant %s of %s is unknown", character_name, scene_name));
        state.enter(*scene, character->name);
    }

    void check_name(const std::string& name)
    {
        const std::string reason = ChatText::check_name(name);
        if (!reason.empty())
            fail(Kel::format("Invalid name '%s' (%s)", Kel::c_escape(name, true), reason));
    }

    [[noreturn]] void fail(const std::string& message)
    {
        throw Kel::Exception(Kel::format("%s: %s", get_source(), message));
    }

    GameState& state;
};

void write_all(Kel::IO::File& file, const std::string& data)
{
    std::string::size_type done = 0;
    while (done < data.size())
    {
        unsigned count = file.write(data.data() + done, static_cast<unsigned>(data.size() - done));
        if (count == 0)
            throw Kel::SystemError("Writing to file failed", EIO);
        done += count;
    }
}

// Makes the rename itself durable; a failure here loses nothing that a
// crash could not, so it is not reported.
void sync_directory(const std::string& path)
{
    std::string::size_type slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

StateFile::StateFile(const std::string& path): path(path) { }

bool StateFile::load(GameState& state) const
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
    {
        int err = errno;
        if (err == ENOENT)
            return false;
        throw Kel::SystemError(Kel::format("Can't open file '%s'", path), err);
    }

    GameState loaded;
    Kel::DataFile::Parser parser(in, path);
    StateLoader loader(loaded);
    loader.load(parser);
    state = loaded;
    return true;
}

void StateFile::save(const GameState& state) const
{
    const std::string temporary = get_temporary_path();
    {
        Kel::IO::File file(temporary, Kel::IO::M_WRITE, Kel::IO::File::C_CREATE | Kel::IO::File::C_TRUNCATE);
        write_all(file, render(state));
        if (::fsync(file.get_event_handle()) < 0)
            throw Kel::SystemError(Kel::format("Can't write file '%s'", temporary), errno);
    }
    if (std::rename(temporary.c_str(), path.c_str()) < 0)
        throw Kel::SystemError(Kel::format("Can't replace file '%s'", path), errno);
    sync_directory(path);
}

std::string StateFile::render(const GameState& state)
{
    std::ostringstream out;
    out << "// Parlane server state, rewritten after every change.\n";
    if (!state.get_session().empty())
        out << "session " << quote(state.get_session()) << ";\n";
    for (const auto& character : state.get_characters())
        out << "character " << quote(character.name) << ' ' << boolean(character.npc) << ' '
            << quote(character.biography) << ";\n";
    for (const auto& scene : state.get_scenes())
        out << "scene " << quote(scene.name) << ' ' << boolean(scene.temporary) << ' ' << quote(scene.group)
            << ";\n";
    for (const auto& scene : state.get_scenes())
        for (const auto& occupant : scene.occupants)
            out << "occupant " << quote(scene.name) << ' ' << quote(occupant) << ";\n";
    return out.str();
}
