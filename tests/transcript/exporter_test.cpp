#include "client/transcript/exporter.h"

#include "client/session/config.h"
#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

namespace
{

using Transcript::ExportOptions;
using Transcript::Format;

typedef std::vector<std::pair<std::string, std::string>> Files;

// A small session of two scenes, as the client writes it.
const Files TWO_SCENES = {
    { "First-Tavern.log",
        "[2031-05-04 20:15:01] Anna entered the scene\n"
        "[2031-05-04 20:15:09] Guard draws a *sharp* sword at $Anna$.\n"
        "[2031-05-04 20:15:10] Anna: \"Put it _down_, please.\"\n"
        "[2031-05-04 20:15:12] The wind howls through the %shutters%.\n"
        "[2031-05-04 20:15:20] ((Anna: brb))\n"
        "[2031-05-04 20:16:00] 2d6 = 9\n" },
    { "First-OOC.log", "[2031-05-04 20:15:05] Anna: hi all\n[2031-05-04 20:15:11] Guard logged out\n" },
};

// The session Saga/First made of the files.
std::string export_session(const Files& files, Format format, const ExportOptions& options = {},
    const Config& config = Config(""))
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "Saga");
    for (const auto& file : files)
        write_file(dir.path / "Saga" / file.first, file.second);
    Transcript::LogFolder folder(dir.path.string());
    return Transcript::export_document(
        Transcript::read_document(folder.find("Saga", "First")), format, options, config);
}

// A session of one scene with one line.
std::string export_line(const std::string& text, Format format, const ExportOptions& options = {},
    const Config& config = Config(""))
{
    return export_session({ { "First-Hall.log", "[2031-05-04 20:15:09] " + text + "\n" } }, format, options, config);
}

TEST(Exporter, WritesEachFormatAsTheGoldenFile)
{
    const std::pair<Format, const char*> formats[] = {
        { Transcript::HTML, "session.html" }, { Transcript::MARKDOWN, "session.md" },
        { Transcript::BBCODE, "session.bbcode" }, { Transcript::TEXT, "session.txt" }
    };
    for (const auto& f : formats)
    {
        SCOPED_TRACE(f.second);
        EXPECT_EQ(read_file(std::string(PARLANE_SOURCE_DIR) + "/tests/transcript/golden/" + f.second),
            export_session(TWO_SCENES, f.first));
    }
}

TEST(Exporter, FiltersLeaveOutOocEventsAndTimes)
{
    EXPECT_EQ("Saga \xE2\x80\x94 First\n============\n\n== Tavern ==\n"
              "[20:15:01] * Anna entered the scene\n"
              "[20:15:09] Guard draws a sharp sword at Anna.\n"
              "[20:15:10] Anna: \"Put it down, please.\"\n"
              "[20:15:12] The wind howls through the shutters.\n"
              "[20:16:00] * 2d6 = 9\n",
        export_session(TWO_SCENES, Transcript::TEXT, { false, true, true }));
    const std::string text = export_session(TWO_SCENES, Transcript::TEXT, { true, false, true });
    for (const char* event : { "entered", "logged out", "2d6" })
        EXPECT_EQ(std::string::npos, text.find(event)) << event;
    EXPECT_NE(std::string::npos, text.find("[20:15:20] ((Anna: brb))"));
    const std::string html = export_session(TWO_SCENES, Transcript::HTML, { true, true, false });
    EXPECT_EQ(std::string::npos, html.find("20:15"));
    EXPECT_NE(std::string::npos, html.find("<p class=\"speech\"><span class=\"name\">Anna</span>"));
}

TEST(Exporter, NothingTypedMakesMarkup)
{
    struct Case
    {
        std::string line;
        Format format;
        std::string expected; // found in the output
        std::vector<std::string> absent;
    } cases[] = {
        { "<script>alert(1)</script>", Transcript::HTML, "&lt;script&gt;alert(1)&lt;/script&gt;", { "<script" } },
        { "Tom & Jerry &amp;", Transcript::HTML, "Tom &amp; Jerry &amp;amp;", {} },
        { "a \"quoted\" 'word'", Transcript::HTML, "a &quot;<span class=\"speech_text\">quoted</span>&quot; &#39;word&#39;", {} },
        { "<a href=\"javascript:alert(1)\">x</a> javascript:alert(1)", Transcript::HTML,
          "&lt;a href=&quot;", { "<a ", "href=\"" } },
        // Emphasis around an escaped character keeps the escape whole.
        { "*a<b&c*", Transcript::HTML, "<span class=\"b\">a&lt;b&amp;c</span>", {} },
        { "$<img src=x>$ waves", Transcript::HTML, "<span class=\"other_name\">&lt;img src=x&gt;</span>", { "<img" } },
        { "ctrl \x01 char", Transcript::HTML, "ctrl \xEF\xBF\xBD char", { "\x01" } },
        { "[url=javascript:x]y[/url] [b]", Transcript::BBCODE, "[[b][/b]url=javascript:x]y[[b][/b]/url] [[b][/b]b]", { "[url" } },
        { "*[/color]*", Transcript::BBCODE, "[b][[b][/b]/color][/b]", { "[/color][/b]" } },
        { "[c](javascript:x) <i> & `d` \\ | ~~", Transcript::MARKDOWN,
          "\\[c\\](javascript:x) \\<i\\> \\& \\`d\\` \\\\ \\| \\~\\~", { "[c]", "<i>" } },
        { "*a_b*", Transcript::MARKDOWN, "**a\\_b**", {} },
        { "<b>&</b>", Transcript::TEXT, "<b>&</b>", {} },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        std::string out = export_line(c.line, c.format);
        EXPECT_NE(std::string::npos, out.find(c.expected)) << out;
        for (const std::string& absent : c.absent)
            EXPECT_EQ(std::string::npos, out.find(absent)) << absent;
    }
}

TEST(Exporter, MarkdownLinesCannotOpenBlocks)
{
    const std::pair<const char*, const char*> cases[] = { { "# Heading", "\\# Heading" }, { "- item", "\\- item" },
        { "+ item", "\\+ item" }, { "1. item", "1\\. item" }, { "12) item", "12\\) item" }, { "= rule", "\\= rule" },
        { "a - b. 3) c", "a - b. 3) c" } };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        const std::string out = export_line(c.first, Transcript::MARKDOWN, { true, true, false });
        EXPECT_EQ(std::string(c.second) + "\n", out.substr(out.rfind("\n\n") + 2));
    }
}

TEST(Exporter, ColoursComeFromTheSettingsAndOnlyAsColours)
{
    Config config("");
    config.set_color("name", "#123456");
    config.set_color("speech", "red;}</style><script>x</script>");
    config.set_color("background", "#ABC");
    config.set_default_bg(false);
    const std::string html = export_line("Anna: \"hi\"", Transcript::HTML, {}, config);
    for (const char* rule : { ".name { color: #123456;", ".speech_text { color: #50A000; }", "background: #ABC;" })
        EXPECT_NE(std::string::npos, html.find(rule)) << rule;
    EXPECT_EQ(std::string::npos, html.find("<script"));
    const std::string bbcode = export_line("Anna: \"hi\"", Transcript::BBCODE, {}, config);
    EXPECT_NE(std::string::npos, bbcode.find("[color=#123456][b]Anna"));
}

} // namespace
