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
    {
        EXPECT_LE(span.begin, span.end);
        EXPECT_LE(span.end, r.text.size());
        result += std::string(" {") + styles[span.style] + " " + std::to_string(span.begin) + " "
            + r.text.substr(span.begin, span.end - span.begin) + "}";
    }
    return result;
}

// Splits "speaker|text" at the first "|".
std::string said(const std::string& in)
{
    std::size_t bar = in.find('|');
    return describe(Markup::render_said(in.substr(bar + 1), in.substr(0, bar)));
}

std::string plain(const std::string& in)
{
    std::size_t bar = in.find('|');
    return describe(Markup::render_plain(in.substr(0, bar), in.substr(bar + 1)));
}

} // namespace

TEST(Markup, SaidLines)
{
    check(
        {
            { "Bob|", "" },
            { "Bob|plain words", "plain words" },
            // Names: the speaker for $me$, any other name as it is spelled.
            { "Bob|$me$ waves", "Bob waves {own 0 Bob}" },
            { "Bob|$me$: \"Hi\"", "Bob: \"Hi\" {own 0 Bob} {speech 6 Hi}" },
            { "Bob|$me$ greets $Alice$ and $me$",
                "Bob greets Alice and Bob {own 0 Bob} {other 11 Alice} {own 21 Bob}" },
            { "Bob|\"hi $Alice$\"", "\"hi Alice\" {other 4 Alice} {speech 1 hi Alice}" },
            // Two adjacent dollar signs name nobody and vanish; a lone one stays.
            { "Bob|50$$ or 5$", "50 or 5$ {other 2 }" },
            { "Bob|a $b", "a $b" },
            // A name with markers in it stays literal and pairs with nothing.
            { "a$b|$me$ *and* $c$", "a$b and c {own 0 a$b} {other 8 c} {bold 4 and}" },
            { "$me$|$me$ waves", "$me$ waves {own 0 $me$}" },
            { "*Bob*|$me$ *x*", "*Bob* x {own 0 *Bob*} {bold 6 x}" },
            { "Bob|*$A_b%c$* _d_", "A_b%c d {other 0 A_b%c} {bold 0 A_b%c} {underline 6 d}" },
            // The three emphasis pairs, nested and side by side.
            { "Bob|*b* _u_ %i%", "b u i {bold 0 b} {underline 2 u} {italic 4 i}" },
            { "Bob|*_%all%_*", "all {bold 0 all} {underline 0 all} {italic 0 all}" },
            { "Bob|\"*loud*\"", "\"loud\" {speech 1 loud} {bold 1 loud}" },
            // Doubled markers stand for one; lone ones stay as they are.
            { "Bob|$$**50%", "*50% {other 0 }" },
            { "Bob|a**b __ %%", "a*b _ %" },
            { "Bob|\"\" \"hi\" *", "\" \"hi\" * {speech 3 hi}" },
            { "Bob|***", "**" },
            { "Bob|****", "**" },
            // Markers made neighbours by an earlier pass are a doubled one.
            { "Bob|_*_*", "_ {bold 1 }" },
            // UTF-8 passes through byte for byte.
            { "Zo\xC3\xAB|$me$: *caf\xC3\xA9*",
                "Zo\xC3\xAB: caf\xC3\xA9 {own 0 Zo\xC3\xAB} {bold 6 caf\xC3\xA9}" },
        },
        said);
}

TEST(Markup, PlainLinesKeepTheirPrefix)
{
    check(
        {
            { "Bob: |brb", "Bob: brb" },
            { "Bob: |$me$ \"is\" *back*", "Bob: $me$ \"is\" back {bold 15 back}" },
            { "* |_Alice_ logged in", "* Alice logged in {underline 2 Alice}" },
            { "*Ann* and _me_: |x*y*", "*Ann* and _me_: xy {bold 17 y}" },
            { "a*: |b* %c% **", "a*: b c * {bold 5  c } {italic 6 c}" },
            { "|", "" },
        },
        plain);
}

TEST(Markup, ReplaceMeAndHelpers)
{
    check(
        {
            { "Bob|$me$ and $me$", "Bob and Bob" },
            { "$me$|$me$ and $me$", "$me$ and $me$" },
            { "Bob|$me$$me$", "BobBob" },
            { "Bob|$me", "$me" },
            { "Bob|$Me$ *stays*", "$Me$ *stays*" },
            { "|x $me$ y", "x  y" },
        },
        [](const std::string& in)
        {
            std::size_t bar = in.find('|');
            return Markup::replace_me(in.substr(bar + 1), in.substr(0, bar));
        });
    EXPECT_TRUE(Markup::names_speaker("says $me$"));
    EXPECT_FALSE(Markup::names_speaker("$Me$ $m e$"));
    EXPECT_EQ("$Bob Stone$", Markup::reference("Bob Stone"));
}
