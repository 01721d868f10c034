#include "client/interpreter/dice.h"

#include "client/interpreter/interpreter.h"
#include "client/session/config.h"
#include "client/session/markup.h"
#include "client/session/requests.h"
#include "client/session/session.h"
#include "common/commands.h"
#include "common/packet.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace
{

const char INVALID[] = "Invalid parameters";

// Hands out the given values in order; once they run out, the largest
// value if always_highest, else a test failure.
class ScriptedDice: public DiceSource
{
public:
    explicit ScriptedDice(std::vector<unsigned> v = {}): values(v.begin(), v.end()) { }

    unsigned draw(unsigned sides) override
    {
        ++draws;
        if (values.empty())
        {
            if (!always_highest)
                ADD_FAILURE() << "more dice drawn than scripted";
            return always_highest ? sides : 1;
        }
        unsigned value = values.front();
        values.pop_front();
        return value;
    }

    std::deque<unsigned> values;
    bool always_highest = false;
    unsigned draws = 0;
};

std::string refusal(const std::string& text, Dice::Label label)
{
    try
    {
        Dice dice(text, label);
    }
    catch (const DiceError& e)
    {
        return e.what();
    }
    return "accepted";
}

std::size_t count_dice(const Dice::Roll& r)
{
    std::size_t n = 0;
    for (const std::vector<Dice::Die>& group : r.dice)
        n += group.size();
    return n;
}

TEST(Dice, ReadsEachForm)
{
    struct Case
    {
        const char* input;
        Dice::Label label;
        const char* text;
        const char* label_text;
    };
    const Case cases[] = {
        // The forms the command always knew.
        { "2d6", Dice::NO_LABEL, "2d6", "" },
        { "20", Dice::NO_LABEL, "1d20", "" },
        { " 2 d 6 ", Dice::NO_LABEL, "2d6", "" },
        { "3\td\t8", Dice::NO_LABEL, "3d8", "" },
        { "02d06", Dice::NO_LABEL, "2d6", "" },
        { "+2d+6", Dice::NO_LABEL, "2d6", "" },
        { "+20", Dice::NO_LABEL, "1d20", "" },
        // Groups, numbers and signs.
        { "d6", Dice::NO_LABEL, "1d6", "" },
        { "d%", Dice::NO_LABEL, "1d100", "" },
        { "2d6+1d8+3", Dice::NO_LABEL, "2d6+1d8+3", "" },
        { "d20-1", Dice::NO_LABEL, "1d20-1", "" },
        { "1d20 + 5 - 1d4", Dice::NO_LABEL, "1d20+5-1d4", "" },
        { "3+d6", Dice::NO_LABEL, "3+1d6", "" },
        // Keep, drop and explode, modifier letters in either case.
        { "4d6kh3", Dice::NO_LABEL, "4d6kh3", "" },
        { "4d6k3", Dice::NO_LABEL, "4d6kh3", "" },
        { "4d6KH3", Dice::NO_LABEL, "4d6kh3", "" },
        { "2d20kl1", Dice::NO_LABEL, "2d20kl1", "" },
        { "4d6dl1", Dice::NO_LABEL, "4d6dl1", "" },
        { "4d6Dh1", Dice::NO_LABEL, "4d6dh1", "" },
        { "3d6!", Dice::NO_LABEL, "3d6!", "" },
        { "4d6kh3!", Dice::NO_LABEL, "4d6!kh3", "" },
        { "4d6kh5", Dice::NO_LABEL, "4d6kh5", "" },
        // Labels.
        { "1d20+5 attack", Dice::ALLOW_LABEL, "1d20+5", "attack" },
        { "1d20+5", Dice::ALLOW_LABEL, "1d20+5", "" },
        { "20 damage", Dice::ALLOW_LABEL, "1d20", "damage" },
        { "20 d 8 fire bolt  ", Dice::ALLOW_LABEL, "20d8", "fire bolt" },
        { "2d6 dl1", Dice::ALLOW_LABEL, "2d6", "dl1" },
        { "1d20 -2 stealth", Dice::ALLOW_LABEL, "1d20-2", "stealth" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.input);
        Dice dice(c.input, c.label);
        EXPECT_EQ(c.text, dice.get_text());
        EXPECT_EQ(c.label_text, dice.get_label());
    }
}

TEST(Dice, RefusesWithAReason)
{
    const std::string too_many = "At most 1000 dice in one roll";
    const std::string sides = "Dice have 2 to 10000 sides";
    const std::string constant = "Numbers in a roll are at most 1000000";
    const std::string keep = "Keep or drop must leave at least one die";
    const std::string too_long = "A dice expression is at most 200 characters";
    std::string longest = "1d20";
    while (longest.size() < Dice::MAX_LENGTH)
        longest += "+1";
    struct Case
    {
        std::string input;
        Dice::Label label;
        std::string message;
    };
    const Case cases[] = {
        { "", Dice::NO_LABEL, INVALID },
        { "2D6", Dice::NO_LABEL, INVALID },
        { "D20", Dice::NO_LABEL, INVALID },
        { "xd6", Dice::NO_LABEL, INVALID },
        { "d", Dice::NO_LABEL, INVALID },
        { "2d", Dice::NO_LABEL, INVALID },
        { "2dd6", Dice::NO_LABEL, INVALID },
        { "2d6+", Dice::NO_LABEL, INVALID },
        { "-20", Dice::NO_LABEL, INVALID },
        { "+ 2d6", Dice::NO_LABEL, INVALID },
        { "2d 6 x", Dice::NO_LABEL, INVALID },
        { "4d6kh", Dice::NO_LABEL, INVALID },
        { "4d6dx1", Dice::NO_LABEL, INVALID },
        { "4d6kh3kl1", Dice::NO_LABEL, INVALID },
        { "3d6!!", Dice::NO_LABEL, INVALID },
        { "1d20+5 attack", Dice::NO_LABEL, INVALID },
        { "1d20+5attack", Dice::ALLOW_LABEL, INVALID },
        { "1d20 + attack", Dice::ALLOW_LABEL, INVALID },
        { std::string("1d6\0", 4), Dice::NO_LABEL, INVALID },
        { "0d6", Dice::NO_LABEL, "Cannot roll 0 dice" },
        { "1d6+0d4", Dice::NO_LABEL, "Cannot roll 0 dice" },
        { "5+3", Dice::NO_LABEL, "A roll needs at least one die" },
        { "1001d6", Dice::NO_LABEL, too_many },
        { "500d6+501d6", Dice::NO_LABEL, too_many },
        { "99999999999999999999d6", Dice::NO_LABEL, too_many },
        { "1d1", Dice::NO_LABEL, sides },
        { "1", Dice::NO_LABEL, sides },
        { "0", Dice::NO_LABEL, sides },
        { "2d0", Dice::NO_LABEL, sides },
        { "1d10001", Dice::NO_LABEL, sides },
        { "4294967297", Dice::NO_LABEL, sides },
        { "1d20+1000001", Dice::NO_LABEL, constant },
        { "1d20-99999999999", Dice::NO_LABEL, constant },
        { "4d6kh0", Dice::NO_LABEL, keep },
        { "4d6dl4", Dice::NO_LABEL, keep },
        { "1d6dh1", Dice::NO_LABEL, keep },
        { longest + "+1", Dice::NO_LABEL, too_long },
        { longest + "+", Dice::NO_LABEL, too_long },
        { "1d20" + std::string(300, ' ') + "+1", Dice::NO_LABEL, too_long },
        { std::string(300, '9'), Dice::NO_LABEL, too_long },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(c.message, refusal(c.input, c.label));
    }
}

TEST(Dice, AcceptsEachLimit)
{
    std::string longest = "1d20";
    while (longest.size() < Dice::MAX_LENGTH)
        longest += "+1";
    const std::string cases[] = {
        "1000d6", "500d6+500d4", "1d2", "1d10000", "1d20+1000000", "4d6dl3", longest,
        longest + "  " + std::string(300, 'x'), "1d20" + std::string(300, ' ') + "label",
    };
    for (const std::string& c : cases)
    {
        SCOPED_TRACE(c);
        EXPECT_EQ("accepted", refusal(c, Dice::ALLOW_LABEL));
    }
}

TEST(Dice, ShowsEachDie)
{
    struct Case
    {
        const char* input;
        std::vector<unsigned> values;
        const char* shown;
    };
    const Case cases[] = {
        { "2d6", { 4, 5 }, "2d6 = 9" },
        { "20", { 14 }, "1d20 = 14" },
        { "d%", { 57 }, "1d100 = 57" },
        { "4d6kh3+2", { 6, 5, 3, 1 }, "4d6kh3+2 = [6, 5, 3, ~~1~~] + 2 = 16" },
        // The first die shows 6, explodes into another 6, and that into a 2.
        { "3d6!", { 6, 6, 2, 3, 4 }, "3d6! = [6, 6, 2, 3, 4] = 21" },
        { "2d6+1d8", { 3, 5, 7 }, "2d6+1d8 = [3, 5] + [7] = 15" },
        { "d20-1", { 14 }, "1d20-1 = [14] - 1 = 13" },
        { "1d4-10", { 1 }, "1d4-10 = [1] - 10 = -9" },
        { "1d20-1d4-3", { 10, 2 }, "1d20-1d4-3 = [10] - [2] - 3 = 5" },
        { "2d20kl1", { 15, 4 }, "2d20kl1 = [~~15~~, 4] = 4" },
        { "4d6dl1", { 2, 6, 1, 5 }, "4d6dl1 = [2, 6, ~~1~~, 5] = 13" },
        { "4d6dh1", { 2, 6, 1, 5 }, "4d6dh1 = [2, ~~6~~, 1, 5] = 8" },
        { "4d6kh5", { 2, 6, 1, 5 }, "4d6kh5 = [2, 6, 1, 5] = 14" },
        // Of equal dice the earlier one is kept.
        { "2d6kh1", { 5, 5 }, "2d6kh1 = [5, ~~5~~] = 5" },
        // A die and its explosions are kept or dropped together.
        { "2d6!kh1", { 6, 3, 4 }, "2d6!kh1 = [6, 3, ~~4~~] = 9" },
        { "2d6!kl1", { 6, 3, 4 }, "2d6!kl1 = [~~6~~, ~~3~~, 4] = 4" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.input);
        Dice dice(c.input, Dice::NO_LABEL);
        ScriptedDice source(c.values);
        EXPECT_EQ(c.shown, dice.show(dice.roll(source)));
        EXPECT_TRUE(source.values.empty());
    }
}

TEST(Dice, ExplosionsStop)
{
    struct Case
    {
        const char* input;
        std::size_t dice;
        std::int64_t total;
    };
    const Case cases[] = {
        // One die: itself and 100 more.
        { "1d6!", 101, 606 },
        // The whole roll stops at 1000 dice, whatever explodes.
        { "1000d2!", 1000, 2000 },
        { "990d6!+1d4", 1000, 1000 * 6 - 2 },
        { "1d8!+10d6!", 1000, 8 * 101 + 6 * (1000 - 101) },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.input);
        Dice dice(c.input, Dice::NO_LABEL);
        ScriptedDice source;
        source.always_highest = true;
        Dice::Roll r = dice.roll(source);
        EXPECT_EQ(c.dice, count_dice(r));
        EXPECT_EQ(c.total, r.total);
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
        ASSERT_GE(face, 1);
        ASSERT_LE(face, 6);
        ++faces[face];
    }
    for (int face = 1; face <= 6; ++face)
    {
        SCOPED_TRACE(face);
        EXPECT_NEAR(1.0 / 6, double(faces[face]) / rolls, 0.01);
    }
}

TEST(Dice, BestThreeOfFourAverageAsExpected)
{
    RandomDice source(7);
    Dice best_three("4d6kh3", Dice::NO_LABEL);
    const int rolls = 100000;
    std::int64_t sum = 0;
    for (int i = 0; i < rolls; ++i)
        sum += best_three.roll(source).total;
    // 15869 / 1296, the exact mean of the best three of four six-sided dice.
    EXPECT_NEAR(12.2446, double(sum) / rolls, 0.05);
}

class FakePort: public InterpreterPort
{
public:
    void report_error(const std::string& message) override { errors.push_back(message); }
    void report_notice(const std::string&) override { }
    void edit_biography(const std::string&) override { }

    std::vector<std::string> errors;
};

class FakeSink: public PacketSink
{
public:
    void send(const Packet& pkt) override { sent.push_back(pkt); }
    bool is_connected() const override { return true; }

    std::vector<Packet> sent;
};

// A player, Anna, in the scene "Tavern", with dice that fall as scripted.
class DiceCommandTest: public ::testing::Test
{
protected:
    DiceCommandTest(): config("unused.conf"), requests(session, sink), interpreter(session, requests, config, port)
    {
        interpreter.set_dice_source(dice);
    }

    void log_in(const std::string& name)
    {
        session.log_in(name);
        session.add_scene("Tavern", false);
    }

    std::vector<std::string> local_lines() const
    {
        std::vector<std::string> lines;
        for (const LogLine& line : session.get_active_scene()->get_backlog())
            lines.push_back(line.text);
        return lines;
    }

    Session session;
    Config config;
    FakeSink sink;
    Requests requests;
    FakePort port;
    ScriptedDice dice;
    Interpreter interpreter;
};

TEST_F(DiceCommandTest, DiceShowsTheRollToTheUserAlone)
{
    log_in("Anna");
    dice.values = { 4, 5, 6, 5, 3, 1 };
    interpreter.input("/dice 2d6");
    interpreter.input("/dice 4d6kh3+2");
    EXPECT_EQ((std::vector<std::string> { "2d6 = 9", "4d6kh3+2 = [6, 5, 3, ~~1~~] + 2 = 16" }), local_lines());
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_TRUE(port.errors.empty());
}

TEST_F(DiceCommandTest, RollSaysTheResultInTheScene)
{
    log_in("Anna");
    dice.values = { 14, 14 };
    interpreter.input("/roll 1d20+5 attack");
    interpreter.input("/roll 1d20+5");
    EXPECT_EQ((std::vector<Packet> {
                  Packet("Anna", Command::TEXT, "Tavern", "$me$ rolls 1d20+5 (attack): [14] + 5 = 19"),
                  Packet("Anna", Command::TEXT, "Tavern", "$me$ rolls 1d20+5: [14] + 5 = 19"),
              }),
        sink.sent);
    EXPECT_TRUE(local_lines().empty());
}

TEST_F(DiceCommandTest, RollSpeaksAsTheBorrowedName)
{
    log_in("GM");
    session.add_character("Orc", true);
    dice.values = { 3 };
    interpreter.input("/npc Orc /roll d6");
    ASSERT_EQ(1u, sink.sent.size());
    EXPECT_EQ(Packet("Orc", Command::TEXT, "Tavern", "$me$ rolls 1d6: [3] = 3"), sink.sent[0]);
}

TEST_F(DiceCommandTest, RollLabelIsShownAsTyped)
{
    log_in("Anna");
    dice.values = { 14 };
    interpreter.input("/roll 1d20 *sneak_attack* at 50% or 20% \"now\"");
    ASSERT_EQ(1u, sink.sent.size());
    Markup::Rendered shown = Markup::render_said(sink.sent[0].get_parameter(1), "Anna");
    EXPECT_EQ("Anna rolls 1d20 (*sneak_attack* at 50% or 20% \"now\"): [14] = 14", shown.text);
    for (const Markup::Span& span : shown.spans)
        EXPECT_TRUE(span.style == Markup::OWN_NAME || span.style == Markup::SPEECH) << span.style;
}

TEST_F(DiceCommandTest, RollGoesThroughTheChecksOfTypedLines)
{
    log_in("Anna");
    std::vector<std::string> errors;
    session.signal_error.connect([&](const std::string& e) { errors.push_back(e); });
    dice.values = { 14 };
    interpreter.input("/roll 1d20 bell\a");
    EXPECT_EQ(std::vector<std::string> { "Control characters are not allowed" }, errors);
    EXPECT_TRUE(sink.sent.empty());
}

TEST_F(DiceCommandTest, RefusedRollsReachNobody)
{
    log_in("Anna");
    const std::vector<std::string> lines = {
        "/dice 0d6", "/dice 2D6", "/dice 1d20 attack", "/roll 1001d6", "/roll 1d20 costs $5", "/roll 1d20+x",
    };
    for (const std::string& line : lines)
        interpreter.input(line);
    EXPECT_EQ((std::vector<std::string> { "Cannot roll 0 dice", INVALID, INVALID, "At most 1000 dice in one roll",
                  "The label of a roll cannot hold a $ sign", INVALID }),
        port.errors);
    EXPECT_TRUE(sink.sent.empty());
    EXPECT_TRUE(local_lines().empty());
    EXPECT_EQ(0u, dice.draws);
}

} // namespace
