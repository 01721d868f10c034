#include "client/session/markup.h"

#include "tests/datafile/helpers.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

// The rendered text, then each span as "{style begin text}".
std::string describe(const Markup::Rendered& r)
{
    static const char* const styles[] = { "own", "other", "speech", "bold", "underline", "italic" };
    std::string result = r.text;
    for (const Markup::Span& span : r.spans)
        result += std::string(" {") + styles[span.style] + " " + std::to_string(span.begin) + " "
            + r.text.substr(span.begin, span.end - span.begin) + "}";
    return result;
}

// f(a, b) for an input "a|b", split at the first "|".
template <class F> auto split(F f)
{
    return [f](const std::string& in) { return f(in.substr(0, in.find('|')), in.substr(in.find('|') + 1)); };
}

const auto said = split([](const std::string& who, const std::string& text)
    { return describe(Markup::render_said(text, who)); });

} // namespace

// Span bounds and names inserted whole are checked by the fuzz target; these
// pin down what each marker does.
TEST(Markup, SaidLines)
{
    check(
        {
            { "Bob|plain words", "plain words" },
            { "Bob|$me$: \"Hi\"", "Bob: \"Hi\" {own 0 Bob} {speech 6 Hi}" },
            { "Bob|\"hi $Alice$\"", "\"hi Alice\" {other 4 Alice} {speech 1 hi Alice}" },
            // Two adjacent dollar signs name nobody and vanish; a lone one stays.
            { "Bob|50$$ or 5$", "50 or 5$ {other 2 }" },
            // A name with markers in it stays literal and pairs with nothing.
            { "a$b|$me$ *and* $c$", "a$b and c {own 0 a$b} {other 8 c} {bold 4 and}" },
            { "Bob|*$A_b%c$* _d_", "A_b%c d {other 0 A_b%c} {bold 0 A_b%c} {underline 6 d}" },
            { "Bob|*_%all%_*", "all {bold 0 all} {underline 0 all} {italic 0 all}" },
            // Doubled markers stand for one; lone ones stay as they are.
            { "Bob|a**b __ %%", "a*b _ %" },
            { "Bob|\"\" \"hi\" *", "\" \"hi\" * {speech 3 hi}" },
            { "Bob|***", "**" },
            // Markers made neighbours by an earlier pass are a doubled one.
            { "Bob|_*_*", "_ {bold 1 }" },
        },
        said);
}

TEST(Markup, PlainLinesKeepTheirPrefix)
{
    check({ { "Bob: |$me$ \"is\" *back*", "Bob: $me$ \"is\" back {bold 15 back}" },
              { "a*: |b* %c% **", "a*: b c * {bold 5  c } {italic 6 c}" } },
        split([](const std::string& prefix, const std::string& text)
            { return describe(Markup::render_plain(prefix, text)); }));
}

TEST(Markup, ReplaceMeAndHelpers)
{
    check({ { "Bob|$me$$me$ $me", "BobBob $me" }, { "$me$|$me$ and $me$", "$me$ and $me$" },
              { "Bob|$Me$ *stays*", "$Me$ *stays*" } },
        split([](const std::string& who, const std::string& text) { return Markup::replace_me(text, who); }));
    EXPECT_TRUE(Markup::names_speaker("says $me$"));
    EXPECT_FALSE(Markup::names_speaker("$Me$ $m e$"));
    EXPECT_EQ("$Bob Stone$", Markup::reference("Bob Stone"));
}
