#include "server/gamestate.h"

#include <gtest/gtest.h>

namespace
{

TEST(GameState, FindsNamesIgnoringCase)
{
    GameState state;
    state.add_character("Alice", false);
    state.add_scene("Tavern", true);
    ASSERT_NE(state.find_character("aLICE"), nullptr);
    EXPECT_EQ(state.find_character("aLICE")->name, "Alice");
    EXPECT_EQ(state.find_scene("TAVERN")->name, "Tavern");
    EXPECT_EQ(state.find_scene("ooc")->name, "OOC");
    EXPECT_EQ(state.find_character("Alic"), nullptr);
    EXPECT_EQ(state.find_character("Alicee"), nullptr);
}

TEST(GameState, ValidNames)
{
    const std::pair<std::string, bool> cases[] = {
        { "Tavern", true },
        { "A b", true },
        { std::string(32, 'x'), true },
        { "", false },
        { "a;b", false },
        { "a|b", false },
        { "a\nb", false },
        { "a\rb", false },
        { "a\ab", false },
        { std::string(33, 'x'), false },
        { "\xc3\xa9t\xc3\xa9", true },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(GameState::valid_name(c.first), c.second);
    }
}

TEST(GameState, EnterAndLeaveReportWhetherAnythingChanged)
{
    GameState state;
    state.add_character("Alice", false);
    GameState::Scene& ooc = *state.find_scene("OOC");
    unsigned long revision = state.get_revision();
    EXPECT_TRUE(state.enter(ooc, "Alice"));
    EXPECT_FALSE(state.enter(ooc, "Alice"));
    EXPECT_EQ(ooc.occupants.size(), 1u);
    EXPECT_TRUE(state.leave(ooc, "Alice"));
    EXPECT_FALSE(state.leave(ooc, "Alice"));
    // Only the two real changes count.
    EXPECT_EQ(state.get_revision(), revision + 2);
}

TEST(GameState, TheSceneOocCannotBeRemoved)
{
    GameState state;
    state.remove_scene("ooc");
    EXPECT_NE(state.find_scene("OOC"), nullptr);
    state.add_scene("Tavern", false);
    state.remove_scene("TAVERN");
    EXPECT_EQ(state.find_scene("Tavern"), nullptr);
}

TEST(GameState, RenamingKeepsThePlaceInTheOrder)
{
    GameState state;
    state.add_scene("A", false);
    GameState::Scene& b = state.add_scene("B", false);
    state.add_scene("C", false);
    state.rename_scene(b, "Z");
    std::vector<std::string> names;
    for (const auto& scene : state.get_scenes())
        names.push_back(scene.name);
    EXPECT_EQ(names, (std::vector<std::string> { "OOC", "A", "Z", "C" }));
}

} // namespace
