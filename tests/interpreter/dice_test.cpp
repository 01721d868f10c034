#include "client/interpreter/dice.h"

#include "tests/datafile/helpers.h"
#include "tests/interpreter/scripteddice.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const char INVALID[] = "Invalid parameters";

std::string refusal(const std::string& text, Dice::Label label)
{
    const std::string message = thrown([&] { Dice(text, label); });
    return message == "no exception" ? "accepted" : message;
}

} // namespace

TEST(Dice, ReadsEachForm)
{
    // input, written-out form, label; a label is allowed where one is given.
    const char* const cases[][3] = {
        { "20", "1d20", nullptr },
        { " 3\td 8 ", "3d8", nullptr },
        { "+02d+06", "2d6", nullptr },
        { "d%", "1d100", nullptr },
        { "1d20 + 5 - 1d4", "1d20+5-1d4", nullptr },
        { "3+d6", "3+1d6", nullptr },
        { "4d6k3", "4d6kh3", nullptr },
        { "2d20KL1", "2d20kl1", nullptr },
        { "4d6kh3!", "4d6!kh3", nullptr },
        { "20 d 8 fire bolt  ", "20d8", "fire bolt" },
        { "2d6 dl1", "2d6", "dl1" },
        { "1d20 -2 stealth", "1d20-2", "stealth" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c[0]);
        Dice dice(c[0], c[2] ? Dice::ALLOW_LABEL : Dice::NO_LABEL);
        EXPECT_EQ(c[1], dice.get_text());
        EXPECT_EQ(c[2] ? c[2] : "", dice.get_label());
    }
}

TEST(Dice, RefusesWithAReasonAndAcceptsEachLimit)
{
    std::string longest = "1d20";
    while (longest.size() < Dice::MAX_LENGTH)
        longest += "+1";
    // Every input is read once without and once with a label allowed.
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        { INVALID, { "", "2D6", "-20", "+ 2d6", "4d6kh", "4d6dx1", "4d6kh3kl1", "3d6!!", "1d20+5attack",
                       "1d20 + attack", std::string("1d6\0", 4) } },
        { "Cannot roll 0 dice", { "1d6+0d4" } },
        { "A roll needs at least one die", { "5+3" } },
        { "At most 1000 dice in one roll", { "500d6+501d6", "99999999999999999999d6" } },
        { "Dice have 2 to 10000 sides", { "1", "1d10001", "4294967297" } },
        { "Numbers in a roll are at most 1000000", { "1d20+1000001" } },
        { "Keep or drop must leave at least one die", { "4d6kh0", "4d6dl4" } },
        { "A dice expression is at most 200 characters", { longest + "+", "1d20" + std::string(300, ' ') + "+1" } },
        { "accepted", { "500d6+500d4", "1d2", "1d10000+1000000", longest } },
    };
    for (const auto& [message, inputs] : cases)
        for (const std::string& input : inputs)
        {
            SCOPED_TRACE(input);
            EXPECT_EQ(message, refusal(input, Dice::NO_LABEL));
            EXPECT_EQ(message, refusal(input, Dice::ALLOW_LABEL));
        }
    EXPECT_EQ(INVALID, refusal("1d20 attack", Dice::NO_LABEL));
    EXPECT_EQ("accepted", refusal(longest + "  " + std::string(300, 'x'), Dice::ALLOW_LABEL));
}

TEST(Dice, ShowsEachDie)
{
    const std::pair<const char*, std::vector<unsigned>> rolls[] = {
        { "2d6 = 9", { 4, 5 } },
        { "4d6kh3+2 = [6, 5, 3, ~~1~~] + 2 = 16", { 6, 5, 3, 1 } },
        // The first die explodes into another 6, and that into a 2.
        { "3d6! = [6, 6, 2, 3, 4] = 21", { 6, 6, 2, 3, 4 } },
        { "1d20-1d4-3 = [10] - [2] - 3 = 5", { 10, 2 } },
        { "2d20kl1 = [~~15~~, 4] = 4", { 15, 4 } },
        { "4d6dl3 = [~~2~~, 6, ~~1~~, ~~5~~] = 6", { 2, 6, 1, 5 } },
        { "4d6dh1 = [2, ~~6~~, 1, 5] = 8", { 2, 6, 1, 5 } },
        { "4d6kh5 = [2, 6, 1, 5] = 14", { 2, 6, 1, 5 } },
        // Of equal dice the earlier one is kept.
        { "2d6kh1 = [5, ~~5~~] = 5", { 5, 5 } },
        // A die and its explosions are kept or dropped together.
        { "2d6!kh1 = [6, 3, ~~4~~] = 9", { 6, 3, 4 } },
        { "2d6!kl1 = [~~6~~, ~~3~~, 4] = 4", { 6, 3, 4 } },
    };
    for (const auto& [shown, values] : rolls)
    {
        SCOPED_TRACE(shown);
        const std::string text(shown);
        Dice dice(text.substr(0, text.find(' ')), Dice::NO_LABEL);
        ScriptedDice source(values);
        EXPECT_EQ(text, dice.show(dice.roll(source)));
        EXPECT_TRUE(source.values.empty());
    }
}

// With every die at its highest: a die explodes 100 times, and the whole
// roll stops at 1000 dice.
TEST(Dice, ExplosionsStop)
{
    for (const auto& [input, total] : { std::pair<const char*, std::int64_t> { "1d6!", 606 },
             { "1d8!+10d6!", 8 * 101 + 6 * (1000 - 101) } })
    {
        SCOPED_TRACE(input);
        Dice dice(input, Dice::NO_LABEL);
        ScriptedDice source;
        EXPECT_EQ(total, dice.roll(source).total);
    }
}

TEST(Dice, FacesAreUniform)
{
    RandomDice source(20261207);
    Dice d6("d6", Dice::NO_LABEL);
    const int rolls = 100000;
    std::vector<int> faces(7, 0);
    for (int i = 0; i < rolls; ++i)
    {
        std::int64_t face = d6.roll(source).total;
        ASSERT_TRUE(face >= 1 && face <= 6) << face;
        ++faces[face];
    }
    for (int face = 1; face <= 6; ++face)
        EXPECT_NEAR(1.0 / 6, double(faces[face]) / rolls, 0.01) << face;
}
