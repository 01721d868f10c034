#include "client/transcript/exporter.h"

#include "client/session/config.h"
#include "common/names.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <memory>

namespace Transcript
{

namespace
{

// Style bits of a run: one per Markup::Style.
unsigned bit(Markup::Style style)
{
    return 1u << style;
}

// A stretch of a rendered line with one set of styles.
struct Run
{
    std::string text;
    unsigned styles;
};

// Cuts a rendered line where any span begins or ends; spans may overlap.
std::vector<Run> runs(const Markup::Rendered& rendered)
{
    std::vector<std::size_t> cuts { 0, rendered.text.size() };
    for (const Markup::Span& span : rendered.spans)
    {
        cuts.push_back(span.begin);
        cuts.push_back(span.end);
    }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    std::vector<Run> result;
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
    {
        unsigned styles = 0;
        for (const Markup::Span& span : rendered.spans)
            if (span.begin <= cuts[i] && cuts[i + 1] <= span.end)
                styles |= bit(span.style);
        result.push_back(Run { rendered.text.substr(cuts[i], cuts[i + 1] - cuts[i]), styles });
    }
    return result;
}

// The colour role of a run, as the log view ranks them: speech over other
// names over the speaker's name; none for the line's own colour.
const char* run_role(unsigned styles)
{
    if (styles & bit(Markup::SPEECH))
        return "speech";
    if (styles & bit(Markup::OTHER_NAME))
        return "other_name";
    if (styles & bit(Markup::OWN_NAME))
        return "name";
    return nullptr;
}

const char* kind_name(Line::Kind kind)
{
    static const char* const names[] = { "speech", "action", "narration", "ooc", "event", "plain" };
    return names[kind];
}

// "#RRGGBB" or "#RGB" as configured, or the default for the role.
std::string colour(const Config& config, const std::string& role)
{
    std::string value = config.get_color(role);
    bool valid = (value.size() == 7 || value.size() == 4) && value[0] == '#';
    for (std::size_t i = 1; valid && i < value.size(); ++i)
        valid = std::isxdigit(static_cast<unsigned char>(value[i]));
    return valid ? value : Config(std::string()).get_color(role);
}

// One format: the document is written as title, then headings and lines.
class Writer
{
public:
    explicit Writer(const ExportOptions& o): options(o) { }
    virtual ~Writer() = default;

    virtual void title(const std::string& game, const std::string& session) = 0;
    virtual void heading(const std::string& scene) = 0;
    virtual void line(const Entry& entry, const std::vector<Run>& runs) = 0;
    virtual void finish() { }

    std::string out;

protected:
    const ExportOptions& options;
};

// ---------------------------------------------------------------- HTML

void escape_html(std::string& out, const std::string& text)
{
    for (char c : text)
    {
        switch (c)
        {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            // Control characters have no place in a page.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
}

class HtmlWriter: public Writer
{
public:
    HtmlWriter(const ExportOptions& o, const Config& c): Writer(o), config(c) { }

    void title(const std::string& game, const std::string& session) override
    {
        std::string name;
        escape_html(name, game + " \xE2\x80\x94 " + session);
        std::string background = config.get_default_bg() ? "#FFFFFF" : colour(config, "background");
        out += "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + name + "</title>\n<style>\n";
        out += "body { background: " + background + "; color: " + colour(config, "text")
            + "; font-family: Georgia, serif; line-height: 1.5; max-width: 48em; margin: 2em auto; padding: 0 1em; }\n";
        out += "h1 { font-size: 1.6em; }\nh2 { font-size: 1.2em; margin-top: 1.5em; border-bottom: 1px solid "
            + colour(config, "timestamp") + "; }\n";
        out += "p { margin: 0.25em 0; }\n";
        out += ".time { color: " + colour(config, "timestamp") + "; font-family: monospace; font-size: 0.85em; }\n";
        out += ".speech, .plain { color: " + colour(config, "text") + "; }\n";
        out += ".action { color: " + colour(config, "text") + "; font-style: italic; }\n";
        out += ".narration, .gm { color: " + colour(config, "gm") + "; }\n";
        out += ".ooc { color: " + colour(config, "ooc") + "; font-size: 0.9em; }\n";
        out += ".event { color: " + colour(config, "event") + "; font-size: 0.9em; font-style: italic; }\n";
        out += ".name { color: " + colour(config, "name") + "; font-weight: bold; }\n";
        out += ".other_name { color: " + colour(config, "other_name") + "; }\n";
        out += ".speech_text { color: " + colour(config, "speech") + "; }\n";
        out += ".b { font-weight: bold; }\n.u { text-decoration: underline; }\n.i { font-style: italic; }\n";
        out += "</style>\n</head>\n<body>\n<h1>" + name + "</h1>\n";
    }

    void heading(const std::string& scene) override
    {
        out += "<h2>";
        escape_html(out, scene);
        out += "</h2>\n";
    }

    void line(const Entry& entry, const std::vector<Run>& runs) override
    {
        const Line& line = entry.line;
        out += "<p class=\"";
        out += kind_name(line.kind);
        if (line.kind != Line::NARRATION && std::string(body_role(line)) == "gm")
            out += " gm";
        out += "\">";
        if (options.times && !line.time.empty())
            out += "<span class=\"time\">[" + line.time + "]</span> ";
        for (const Run& run : runs)
        {
            std::string classes;
            if (const char* role = run_role(run.styles))
                classes = std::string(role) == "speech" ? "speech_text" : role;
            static const std::pair<Markup::Style, const char*> emphasis[] = {
                { Markup::BOLD, "b" }, { Markup::UNDERLINE, "u" }, { Markup::ITALIC, "i" }
            };
            for (const auto& e : emphasis)
                if (run.styles & bit(e.first))
                    classes += (classes.empty() ? "" : " ") + std::string(e.second);
            if (classes.empty())
                escape_html(out, run.text);
            else
            {
                out += "<span class=\"" + classes + "\">";
                escape_html(out, run.text);
                out += "</span>";
            }
        }
        out += "</p>\n";
    }

    void finish() override { out += "</body>\n</html>\n"; }

private:
    const Config& config;
};

// ---------------------------------------------------------------- Markdown

// Every character that can open or close Markdown (or inline HTML) gets
// a backslash, which CommonMark reads as the character itself; at the start
// of a line also those that make a heading, a list or a rule there.
// "1. *a*" -> "1\\. \\*a\\*" at a line start.
void escape_markdown(std::string& out, const std::string& text, bool line_start = false)
{
    std::size_t numbered = std::string::npos;
    if (line_start)
    {
        numbered = 0;
        while (numbered < text.size() && std::isdigit(static_cast<unsigned char>(text[numbered])))
            ++numbered;
        if (numbered == 0 || numbered == text.size() || (text[numbered] != '.' && text[numbered] != ')'))
            numbered = std::string::npos;
    }
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        char c = text[i];
        bool special = c != 0 && std::strchr("\\`*_[]<>&|~", c);
        bool opens_block = line_start && i == 0 && c != 0 && std::strchr("#+-=", c);
        if (special || opens_block || i == numbered)
            out += '\\';
        out += c;
    }
}

class MarkdownWriter: public Writer
{
public:
    using Writer::Writer;

    void title(const std::string& game, const std::string& session) override
    {
        out += "# ";
        escape_markdown(out, game + " \xE2\x80\x94 " + session, true);
        out += "\n";
    }

    void heading(const std::string& scene) override
    {
        out += "\n## ";
        escape_markdown(out, scene, true);
        out += "\n";
    }

    void line(const Entry& entry, const std::vector<Run>& runs) override
    {
        const Line& line = entry.line;
        out += "\n";
        if (options.times && !line.time.empty())
            out += "`" + line.time + "` ";
        bool whole_italic = line.kind == Line::OOC || line.kind == Line::EVENT;
        if (whole_italic)
            out += line.kind == Line::OOC ? "_((" : "_";
        bool line_start = !whole_italic && !(options.times && !line.time.empty());
        for (const Run& run : runs)
        {
            std::string marker;
            if (run.styles & (bit(Markup::OWN_NAME) | bit(Markup::OTHER_NAME) | bit(Markup::BOLD)))
                marker += "**";
            if (!whole_italic && (run.styles & (bit(Markup::ITALIC) | bit(Markup::UNDERLINE))))
                marker += "*";
            // Emphasis may not open or close next to a blank: the blanks go outside.
            std::size_t first = run.text.find_first_not_of(' ');
            if (marker.empty() || first == std::string::npos)
            {
                escape_markdown(out, run.text, line_start);
                line_start = false;
                continue;
            }
            line_start = false;
            std::size_t last = run.text.find_last_not_of(' ');
            out += run.text.substr(0, first) + marker;
            escape_markdown(out, run.text.substr(first, last + 1 - first));
            out += std::string(marker.rbegin(), marker.rend()) + run.text.substr(last + 1);
        }
        if (whole_italic)
            out += line.kind == Line::OOC ? "))_" : "_";
        out += "\n";
    }
};

// ---------------------------------------------------------------- BBCode

// BBCode has no escape character. A tag begins with "["; a "[" of the text
// is followed by an empty tag pair, so that no tag can begin there and the
// reader still sees a plain "[".
void escape_bbcode(std::string& out, const std::string& text)
{
    for (char c : text)
    {
        out += c;
        if (c == '[')
            out += "[b][/b]";
    }
}

class BbcodeWriter: public Writer
{
public:
    BbcodeWriter(const ExportOptions& o, const Config& c): Writer(o), config(c) { }

    void title(const std::string& game, const std::string& session) override
    {
        out += "[size=150][b]";
        escape_bbcode(out, game + " \xE2\x80\x94 " + session);
        out += "[/b][/size]\n";
    }

    void heading(const std::string& scene) override
    {
        out += "\n[b][u]";
        escape_bbcode(out, scene);
        out += "[/u][/b]\n";
    }

    void line(const Entry& entry, const std::vector<Run>& runs) override
    {
        const Line& line = entry.line;
        if (options.times && !line.time.empty())
            out += "[color=" + colour(config, "timestamp") + "]" + line.time + "[/color] ";
        out += "[color=" + colour(config, body_role(line)) + "]";
        if (line.kind == Line::EVENT || line.kind == Line::ACTION)
            out += "[i]";
        for (const Run& run : runs)
        {
            const char* role = run_role(run.styles);
            std::string open;
            std::string close;
            if (role)
            {
                open += "[color=" + colour(config, role) + "]";
                close = "[/color]" + close;
            }
            static const std::pair<Markup::Style, const char*> emphasis[] = {
                { Markup::OWN_NAME, "b" }, { Markup::BOLD, "b" }, { Markup::UNDERLINE, "u" }, { Markup::ITALIC, "i" }
            };
            bool bold = false;
            for (const auto& e : emphasis)
            {
                if (!(run.styles & bit(e.first)) || (e.second[0] == 'b' && bold))
                    continue;
                bold = bold || e.second[0] == 'b';
                open += "[" + std::string(e.second) + "]";
                close = "[/" + std::string(e.second) + "]" + close;
            }
            out += open;
            escape_bbcode(out, run.text);
            out += close;
        }
        if (line.kind == Line::EVENT || line.kind == Line::ACTION)
            out += "[/i]";
        out += "[/color]\n";
    }

private:
    const Config& config;
};

// ---------------------------------------------------------------- text

class TextWriter: public Writer
{
public:
    using Writer::Writer;

    void title(const std::string& game, const std::string& session) override
    {
        std::string name = game + " \xE2\x80\x94 " + session;
        std::size_t characters = 0;
        for (char c : name)
            characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        out += name + "\n" + std::string(characters, '=') + "\n";
    }

    void heading(const std::string& scene) override { out += "\n== " + scene + " ==\n"; }

    void line(const Entry& entry, const std::vector<Run>& runs) override
    {
        if (options.times && !entry.line.time.empty())
            out += "[" + entry.line.time + "] ";
        bool ooc = entry.line.kind == Line::OOC;
        if (ooc)
            out += "((";
        for (const Run& run : runs)
            out += run.text;
        out += ooc ? "))\n" : "\n";
    }
};

} // namespace

bool parse_format(const std::string& name, Format& format)
{
    static const std::pair<const char*, Format> formats[] = {
        { "html", HTML }, { "markdown", MARKDOWN }, { "bbcode", BBCODE }, { "text", TEXT }
    };
    for (const auto& f : formats)
        if (name == f.first)
        {
            format = f.second;
            return true;
        }
    return false;
}

bool keeps(const Entry& entry, const ExportOptions& options)
{
    if (!options.ooc && (entry.line.kind == Line::OOC || entry.scene->scene == Names::OOC_SCENE))
        return false;
    return options.events || entry.line.kind != Line::EVENT;
}

std::string export_document(const Document& document, Format format, const ExportOptions& options,
    const Config& config)
{
    std::unique_ptr<Writer> writer;
    switch (format)
    {
    case HTML:
        writer.reset(new HtmlWriter(options, config));
        break;
    case MARKDOWN:
        writer.reset(new MarkdownWriter(options));
        break;
    case BBCODE:
        writer.reset(new BbcodeWriter(options, config));
        break;
    case TEXT:
        writer.reset(new TextWriter(options));
        break;
    }
    writer->title(document.game, document.session);
    const SceneLog* scene = nullptr;
    for (const Entry& entry : document.entries)
    {
        if (!keeps(entry, options))
            continue;
        if (entry.scene != scene)
            writer->heading(entry.scene->scene);
        scene = entry.scene;
        writer->line(entry, runs(render(entry.line)));
    }
    writer->finish();
    return writer->out;
}

} // namespace Transcript
