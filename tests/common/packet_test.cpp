#include "common/packet.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <cctype>
#include <random>
#include <string>
#include <vector>

namespace
{

using Params = std::vector<std::string>;

Params params_of(const Packet& pkt)
{
    Params result;
    for (unsigned i = 0; i < pkt.get_parameter_count(); ++i)
        result.push_back(pkt.get_parameter(i));
    return result;
}

} // namespace

TEST(Packet, ParsesLines)
{
    struct Case
    {
        std::string line;
        std::string origin;
        std::string cmd;
        Params params;
    };
    const Case cases[] = {
        { "guard;text;Tavern;hi", "guard", "TEXT", { "Tavern", "hi" } },
        { ";NAME", "", "NAME", {} },
        { ";NAME;", "", "NAME", { "" } },
        { ";", "", "", {} },
        { "x;TEXT;;", "x", "TEXT", { "", "" } },
        { "x;TEXT;Tavern|a;b|c", "x", "TEXT", { "Tavern", "a;b|c" } },
        { "x;TEXT|", "x", "TEXT", { "" } },
        { "x;TEXT;|a;b", "x", "TEXT", { "", "a;b" } },
        { "x;TEXT;a\ab", "x", "TEXT", { "a\nb" } },
        { "x;TEXT;Tavern;hi\r", "x", "TEXT", { "Tavern", "hi\r" } },
        { "Gu\aard;Ok", "Gu\aard", "OK", {} },
        { "x;mIxEd-1", "x", "MIXED-1", {} },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        Packet pkt(c.line);
        EXPECT_EQ(c.origin, pkt.get_origin());
        EXPECT_EQ(c.cmd, pkt.get_command());
        EXPECT_EQ(c.params, params_of(pkt));
    }
}

TEST(Packet, RejectsLinesWithFewerThanTwoFields)
{
    for (const char* line : { "", "GAME", "|x;y", "GAME|x;y" })
    {
        SCOPED_TRACE(line);
        try
        {
            Packet pkt { std::string(line) };
            ADD_FAILURE() << "no exception";
        }
        catch (const Kel::InvalidParameterValue& e)
        {
            EXPECT_STREQ("Malformed packet", e.what());
        }
    }
}

TEST(Packet, WritesLineForm)
{
    struct Case
    {
        Packet pkt;
        std::string line;
    };
    const Case cases[] = {
        { Packet("Guard", "TEXT", "Tavern", "Hello; everyone"), "Guard;TEXT;Tavern|Hello; everyone" },
        { Packet("", "NAME", "Guard"), ";NAME;Guard" },
        { Packet("", "ENDSESSION"), ";ENDSESSION" },
        { Packet("a", "text", Params { "x", "", "a|b" }), "a;text;x;|a|b" },
        { Packet("a", "TEXT", "one\ntwo"), "a;TEXT;one\atwo" },
        { Packet(), ";" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.line, c.pkt.str());
    }
}

TEST(Packet, PartsAreStoredAsGiven)
{
    Packet pkt("o", "text", "a\nb");
    EXPECT_EQ("text", pkt.get_command());
    EXPECT_EQ("a\nb", pkt.get_parameter(0));
    EXPECT_EQ("TEXT", Packet(pkt.str()).get_command());
}

TEST(Packet, LineFeedAndTypedBelBothComeBackAsLineFeed)
{
    Packet pkt(Packet("o", "TEXT", "a\nb\ac").str());
    EXPECT_EQ("a\nb\nc", pkt.get_parameter(0));
}

// Only the last parameter may hold ";": an earlier one merges with the rest.
TEST(Packet, SemicolonInEarlierParameterMergesWithLast)
{
    Packet sent("o", "TEXT", "a;b", "c");
    EXPECT_EQ("o;TEXT|a;b;c", sent.str());
    EXPECT_EQ(Params { "a;b;c" }, params_of(Packet(sent.str())));
}

TEST(Packet, ParameterIndexIsChecked)
{
    Packet pkt("o", "TEXT", "only");
    EXPECT_EQ("only", pkt.get_parameter(0));
    try
    {
        pkt.get_parameter(1);
        ADD_FAILURE() << "no exception";
    }
    catch (const Kel::InvalidParameterValue& e)
    {
        EXPECT_STREQ("Parameter index out of range", e.what());
    }
}

TEST(Packet, RoundTripOfRandomPackets)
{
    std::mt19937 random(20261206);
    const std::string plain = "abcXYZ09 _-.#$*\"'\t\r\n\x7f\xc3\xa9";
    const std::string any = plain + ";|";
    auto text = [&](const std::string& alphabet, unsigned max_length)
    {
        std::string s(random() % (max_length + 1), ' ');
        for (char& c : s)
            c = alphabet[random() % alphabet.size()];
        return s;
    };
    const std::string word_letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    const std::string origin_letters = "abcXYZ09 _-.#$*\"'\t\x7f\xc3\xa9";

    for (int round = 0; round < 2000; ++round)
    {
        Params params(random() % 5);
        for (std::size_t i = 0; i < params.size(); ++i)
            params[i] = text(i + 1 == params.size() ? any : plain, 20);
        Packet sent(text(origin_letters, 10), text(word_letters, 12), params);
        std::string line = sent.str();
        SCOPED_TRACE(line);
        ASSERT_EQ(std::string::npos, line.find('\n'));

        Packet received(line);
        EXPECT_EQ(sent.get_origin(), received.get_origin());
        std::string upper = sent.get_command();
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(upper, received.get_command());
        EXPECT_EQ(params, params_of(received));
        EXPECT_EQ(Packet(sent.get_origin(), upper, params), received);
    }
}
