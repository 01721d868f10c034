#include "server/statefile.h"

#include "libs/core/source/core/except.h"
#include "server/gamestate.h"
#include "tests/datafile/helpers.h"
#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>

namespace
{

GameState sample_state()
{
    GameState state;
    state.set_session("Night \"one\"\\two");
    std::string every_byte;
    for (int c = 1; c < 256; ++c)
        every_byte += static_cast<char>(c);
    state.set_biography(state.add_character("Alice", false), every_byte);
    state.set_biography(state.add_character("Guard", true), "Line one\nLine two; \"quoted\"");
    state.add_character("B\xc3\xb6rk", false);
    GameState::Scene& tavern = state.add_scene("Tavern", true);
    state.set_group(tavern, "Town");
    state.set_group(*state.find_scene("OOC"), "Meta");
    state.add_scene("Cellar", false);
    state.enter(*state.find_scene("OOC"), "Alice");
    state.enter(tavern, "Guard");
    state.enter(tavern, "Alice");
    return state;
}

TEST(StateFile, EverythingReadsBackExactly)
{
    TempDir dir;
    StateFile file(dir.file("state"));
    GameState loaded = sample_state();
    EXPECT_FALSE(file.load(loaded)); // missing: the state is left alone
    EXPECT_EQ(StateFile::render(loaded), StateFile::render(sample_state()));

    const GameState original = sample_state();
    file.save(original);
    loaded = GameState();
    ASSERT_TRUE(file.load(loaded));
    EXPECT_EQ(StateFile::render(loaded), StateFile::render(original));
    EXPECT_NE(::access(file.get_temporary_path().c_str(), F_OK), 0);
}

TEST(StateFile, AFailedSaveOrACrashLeavesTheOldFile)
{
    TempDir dir;
    StateFile file(dir.file("state"));
    GameState old_state;
    old_state.add_character("Alice", false);
    file.save(old_state);
    const std::string old_text = read_file(file.get_path());

    // The temporary file cannot be created: a directory is in its place.
    ASSERT_EQ(::mkdir(file.get_temporary_path().c_str(), 0755), 0);
    EXPECT_THROW(file.save(sample_state()), Kel::SystemError);
    EXPECT_EQ(read_file(file.get_path()), old_text);
    ::rmdir(file.get_temporary_path().c_str());

    // What a crash in the middle of a save leaves behind is ignored.
    std::ofstream(file.get_temporary_path()) << "character \"Bo";
    GameState loaded;
    ASSERT_TRUE(file.load(loaded));
    EXPECT_EQ(StateFile::render(loaded), StateFile::render(old_state));
    file.save(sample_state());
    ASSERT_TRUE(file.load(loaded));
    EXPECT_EQ(StateFile::render(loaded), StateFile::render(sample_state()));
}

TEST(StateFile, FilesThatMakeNoSenseAreRefusedWhole)
{
    // Errors of the file's syntax are the loader's; one stands for them all.
    const std::pair<std::string, std::string> cases[] = {
        { "character \"Alice\" 1 \"\";\n", "Type mismatch" },
        { "character \"Alice\" false \"\";\ncharacter \"ALICE\" true \"\";\n", "Character ALICE twice" },
        { "character \"a;b\" false \"\";\n", "Invalid name 'a;b'" },
        { "scene \"Tavern\" false \"\";\nscene \"tavern\" false \"\";\n", "Scene tavern twice" },
        { "character \"B\xf6rk\" false \"\";\n", "(Invalid UTF-8)" },
        { "character \"Alice\" false \"\";\noccupant \"Cellar\" \"Alice\";\n",
            "Occupant Alice of Cellar is unknown" },
    };
    TempDir dir;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        std::ofstream(dir.file("state")) << c.first;
        GameState state = sample_state();
        const std::string message = thrown([&] { StateFile(dir.file("state")).load(state); });
        EXPECT_NE(message.find(c.second), std::string::npos) << message;
        EXPECT_EQ(StateFile::render(state), StateFile::render(sample_state()));
    }
}

} // namespace
