#include "client/transcript/line.h"

#include <gtest/gtest.h>

#include <tuple>

using Transcript::Line;

namespace
{

const std::string STAMP = "[2031-05-04 20:15:09] ";

using Shape = std::tuple<Line::Kind, std::string, std::string>;

Shape shape(const Line& line)
{
    return Shape(line.kind, line.name, line.text);
}

TEST(Line, ReadsEachShape)
{
    struct Case
    {
        std::string raw;
        bool ooc_scene;
        Shape shape;
    } cases[] = {
        { STAMP + "Anna: \"Hello there\"", false, { Line::SPEECH, "Anna", "$me$: \"Hello there\"" } },
        { STAMP + "Anna: hi all", true, { Line::SPEECH, "Anna", "$me$: hi all" } },
        // Outside the OOC scene a colon without quoted speech is narration.
        { STAMP + "Note: the door is locked", false, { Line::NARRATION, "", "Note: the door is locked" } },
        { STAMP + "He said \"Anna: \"no\"\"", false, { Line::NARRATION, "", "He said \"Anna: \"no\"\"" } },
        { STAMP + "((Anna: brb))", false, { Line::OOC, "Anna", "brb" } },
        { STAMP + "((Anna: a: b))", false, { Line::OOC, "Anna", "a: b" } },
        { STAMP + "((no colon))", false, { Line::NARRATION, "", "((no colon))" } },
        { STAMP + "Mad Max entered the scene", false, { Line::EVENT, "Mad Max", "Mad Max entered the scene" } },
        { STAMP + "Anna left the scene", false, { Line::EVENT, "Anna", "Anna left the scene" } },
        { STAMP + "Anna logged in", false, { Line::EVENT, "Anna", "Anna logged in" } },
        { STAMP + "Anna logged out", false, { Line::EVENT, "Anna", "Anna logged out" } },
        { STAMP + " entered the scene", false, { Line::NARRATION, "", " entered the scene" } },
        { STAMP + std::string(40, '-'), false, { Line::EVENT, "", std::string(40, '-') } },
        { STAMP + "2d6 = 9", false, { Line::EVENT, "", "2d6 = 9" } },
        { STAMP + "4d6kh3+2 = [6, 5, 4] + 2", false, { Line::EVENT, "", "4d6kh3+2 = [6, 5, 4] + 2" } },
        { STAMP + "3 men = trouble", false, { Line::NARRATION, "", "3 men = trouble" } },
        { STAMP + "The wind howls.", false, { Line::NARRATION, "", "The wind howls." } },
        { STAMP, false, { Line::NARRATION, "", "" } },
        // Malformed stamps: the whole line is kept as it is.
        { "no stamp at all", false, { Line::PLAIN, "", "no stamp at all" } },
        { "[2031-05-04 20:15:0x] Anna logged in", false, { Line::PLAIN, "", "[2031-05-04 20:15:0x] Anna logged in" } },
        { "[2031-05-04 20:15:09]Anna logged in", false, { Line::PLAIN, "", "[2031-05-04 20:15:09]Anna logged in" } },
        { "[2031-05-04", false, { Line::PLAIN, "", "[2031-05-04" } },
        { "", false, { Line::PLAIN, "", "" } },
        { STAMP + "caf\xE9 \xC0\xAF", false, { Line::NARRATION, "", "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD" } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.raw);
        Line line = Transcript::read_line(c.raw, c.ooc_scene);
        EXPECT_EQ(c.shape, shape(line));
        EXPECT_EQ(std::get<0>(c.shape) == Line::PLAIN ? " " : "2031-05-04 20:15:09", line.stamp());
    }
}

TEST(Line, ActionsAreNarrationThatBeginsWithAKnownName)
{
    std::vector<Line> lines;
    for (const char* raw : { "Anna: \"Hi $Old Tom$\"", "Anna Lee entered the scene", "((Bob: brb))",
             "Anna waves.", "Anna Lee bows.", "Old Tom's dog barks.", "Annabel sings.", "Bob", "A storm.",
             "$me$ is a literal." })
        lines.push_back(Transcript::read_line(STAMP + raw));
    std::vector<std::string> names = Transcript::known_names(lines);
    EXPECT_EQ((std::vector<std::string> { "Anna Lee", "Old Tom", "Anna", "Bob" }), names);
    Transcript::resolve_actions(lines, names);

    const Shape expected[] = {
        { Line::ACTION, "Anna", "$me$ waves." },
        { Line::ACTION, "Anna Lee", "$me$ bows." },
        { Line::ACTION, "Old Tom", "$me$'s dog barks." },
        { Line::NARRATION, "", "Annabel sings." },
        { Line::ACTION, "Bob", "$me$" },
        { Line::NARRATION, "", "A storm." },
        { Line::NARRATION, "", "$me$ is a literal." },
    };
    for (std::size_t i = 0; i < std::size(expected); ++i)
    {
        SCOPED_TRACE(lines[i + 3].text);
        EXPECT_EQ(expected[i], shape(lines[i + 3]));
    }
}

TEST(Line, RendersAsTheLogViewShowsIt)
{
    struct Case
    {
        std::string raw;
        std::string shown;
        std::vector<Markup::Style> styles;
    } cases[] = {
        { "Anna: \"*Hi* $Bob$\"", "Anna: \"Hi Bob\"", { Markup::OWN_NAME, Markup::OTHER_NAME, Markup::SPEECH,
                                                         Markup::BOLD } },
        { "((Anna: so *cool*))", "Anna: so cool", { Markup::BOLD } },
        { "Anna entered the scene", "* Anna entered the scene", {} },
        { "The %old% $Bob$ sleeps", "The old Bob sleeps", { Markup::OTHER_NAME, Markup::ITALIC } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.raw);
        Markup::Rendered rendered = Transcript::render(Transcript::read_line(STAMP + c.raw));
        EXPECT_EQ(c.shown, rendered.text);
        std::vector<Markup::Style> styles;
        for (const Markup::Span& span : rendered.spans)
            styles.push_back(span.style);
        EXPECT_EQ(c.styles, styles);
    }
}

} // namespace
