#include "common/packet.h"

#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
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
    const std::tuple<std::string, std::string, std::string, Params> cases[] = {
        { "guard;text;Tavern;hi", "guard", "TEXT", { "Tavern", "hi" } },
        { ";NAME;", "", "NAME", { "" } },
        { "x;TEXT;Tavern|a;b|c", "x", "TEXT", { "Tavern", "a;b|c" } },
        { "x;TEXT|a;b;c", "x", "TEXT", { "a;b;c" } },
        { "x;TEXT;|a;b", "x", "TEXT", { "", "a;b" } },
        { "x;TEXT;a\ab", "x", "TEXT", { "a\nb" } },
        { "x;mIxEd-1", "x", "MIXED-1", {} },
    };
    for (const auto& [line, origin, cmd, params] : cases)
    {
        SCOPED_TRACE(line);
        Packet pkt(line);
        EXPECT_EQ(origin, pkt.get_origin());
        EXPECT_EQ(cmd, pkt.get_command());
        EXPECT_EQ(params, params_of(pkt));
    }
    for (const char* line : { "", "GAME", "|x;y", "GAME|x;y" })
    {
        SCOPED_TRACE(line);
        EXPECT_EQ("Malformed packet",
            TestIO::what_of<Kel::InvalidParameterValue>([&] { Packet pkt { std::string(line) }; }));
    }
}

TEST(Packet, WritesLineForm)
{
    const std::pair<Packet, std::string> cases[] = {
        { Packet("Guard", "TEXT", "Tavern", "Hello; everyone"), "Guard;TEXT;Tavern|Hello; everyone" },
        { Packet("a", "text", Params { "x", "", "a|b" }), "a;text;x;|a|b" },
        { Packet("a", "TEXT", "one\ntwo\athree"), "a;TEXT;one\atwo\athree" },
        // Only the last parameter may hold ";": an earlier one merges with the rest.
        { Packet("o", "TEXT", "a;b", "c"), "o;TEXT|a;b;c" },
        { Packet(), ";" },
    };
    for (const auto& [pkt, line] : cases)
        EXPECT_EQ(line, pkt.str());
}
