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
    const std::pair<std::string, Shape> cases[] = {
        { STAMP + "Anna: \"Hello there\"", { Line::SPEECH, "Anna", "$me$: \"Hello there\"" } },
        // Outside the OOC scene a colon without quoted speech is narration.
        { STAMP + "Note: the door is locked", { Line::NARRATION, "", "Note: the door is locked" } },
        { STAMP + "He said \"Anna: \"no\"\"", { Line::NARRATION, "", "He said \"Anna: \"no\"\"" } },
        { STAMP + "((Anna: brb))", { Line::OOC, "Anna", "brb" } },
        { STAMP + "((Anna: a: b))", { Line::OOC, "Anna", "a: b" } },
        { STAMP + "((no colon))", { Line::NARRATION, "", "((no colon))" } },
        { STAMP + "Mad Max entered the scene", { Line::EVENT, "Mad Max", "Mad Max entered the scene" } },
        { STAMP + "Anna left the scene", { Line::EVENT, "Anna", "Anna left the scene" } },
        { STAMP + "Anna logged in", { Line::EVENT, "Anna", "Anna logged in" } },
        { STAMP + "Anna logged out", { Line::EVENT, "Anna", "Anna logged out" } },
        { STAMP + " entered the scene", { Line::NARRATION, "", " entered the scene" } },
        { STAMP + std::string(40, '-'), { Line::EVENT, "", std::string(40, '-') } },
        { STAMP + "4d6kh3+2 = [6, 5, 4] + 2", { Line::EVENT, "", "4d6kh3+2 = [6, 5, 4] + 2" } },
        { STAMP + "3 men = trouble", { Line::NARRATION, "", "3 men = trouble" } },
        { STAMP, { Line::NARRATION, "", "" } },
        // Malformed stamps: the whole line is kept as it is.
        { "no stamp at all", { Line::PLAIN, "", "no stamp at all" } },
        { "[2031-05-04 20:15:0x] Anna logged in", { Line::PLAIN, "", "[2031-05-04 20:15:0x] Anna logged in" } },
        { "[2031-05-04 20:15:09]Anna logged in", { Line::PLAIN, "", "[2031-05-04 20:15:09]Anna logged in" } },
        { "[2031-05-04", { Line::PLAIN, "", "[2031-05-04" } },
        { "", { Line::PLAIN, "", "" } },
        { STAMP + "caf\xE9 \xC0\xAF", { Line::NARRATION, "", "caf\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD" } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        const Line line = Transcript::read_line(c.first);
        EXPECT_EQ(c.second, shape(line));
        EXPECT_EQ(std::get<0>(c.second) == Line::PLAIN ? " " : "2031-05-04 20:15:09", line.stamp());
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

    std::vector<Shape> shapes;
    for (std::size_t i = 3; i < lines.size(); ++i)
        shapes.push_back(shape(lines[i]));
    EXPECT_EQ((std::vector<Shape> {
        { Line::ACTION, "Anna", "$me$ waves." },
        { Line::ACTION, "Anna Lee", "$me$ bows." },
        { Line::ACTION, "Old Tom", "$me$'s dog barks." },
        { Line::NARRATION, "", "Annabel sings." },
        { Line::ACTION, "Bob", "$me$" },
        { Line::NARRATION, "", "A storm." },
        { Line::NARRATION, "", "$me$ is a literal." },
    }),
        shapes);
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
