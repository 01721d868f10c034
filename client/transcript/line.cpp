#include "client/transcript/line.h"

#include "client/session/logtail.h"
#include "common/chattext.h"
#include "common/names.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>

namespace Transcript
{

namespace
{

bool ends_with(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// "2d6 = 9", "3d8+2 = [4, 1, 7] + 2": the dice expression before " = " has
// no letter but the d of its dice (and the k, h, l, x of keep and explode).
bool dice_roll(const std::string& body)
{
    std::size_t equals = body.find(" = ");
    if (equals == std::string::npos || equals == 0)
        return false;
    bool die = false;
    for (std::size_t i = 0; i < equals; ++i)
    {
        char c = body[i];
        if (c == 'd' && i + 1 < equals && std::isdigit(static_cast<unsigned char>(body[i + 1])))
            die = true;
        else if (!std::isdigit(static_cast<unsigned char>(c)) && !std::strchr("dkhlx+- ", c))
            return false;
    }
    return die;
}

// The event texts the client writes, with the character they name.
bool event(const std::string& body, std::string& name)
{
    static const char* const tails[] = { " entered the scene", " left the scene", " logged in", " logged out" };
    for (const char* tail : tails)
        if (ends_with(body, tail) && body.size() > std::strlen(tail))
        {
            name = body.substr(0, body.size() - std::strlen(tail));
            return true;
        }
    return body == std::string(40, '-') || dice_roll(body);
}

bool word_character(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || (static_cast<unsigned char>(c) & 0x80);
}

} // namespace

Line read_line(const std::string& raw, bool ooc_scene)
{
    Line line;
    std::string text = ChatText::replace_invalid_utf8(raw);
    if (!LogTail::is_stamped(text))
    {
        line.text = text;
        return line;
    }
    line.date = text.substr(1, 10);
    line.time = text.substr(12, 8);
    std::string body = text.substr(LogTail::STAMP_LENGTH);

    if (LogTail::read_ooc(body, line.name, line.text))
    {
        line.kind = Line::OOC;
        return line;
    }
    if (event(body, line.name))
    {
        line.kind = Line::EVENT;
        line.text = body;
        return line;
    }
    // Speech: "name: \"text\"", the name without a quote of its own.
    std::size_t colon = body.find(": ");
    std::size_t speech = body.find(": \"");
    if (colon != std::string::npos && colon > 0 && body.find('"') > colon
        && ((speech == colon && body.size() > colon + 3 && body.back() == '"') || ooc_scene))
    {
        line.kind = Line::SPEECH;
        line.name = body.substr(0, colon);
        line.text = Markup::ME + body.substr(colon);
        return line;
    }
    line.kind = Line::NARRATION;
    line.text = body;
    return line;
}

std::vector<std::string> known_names(const std::vector<Line>& lines)
{
    std::set<std::string> names;
    for (const Line& line : lines)
    {
        if (!line.name.empty() && line.name != Names::SYSTEM)
            names.insert(line.name);
        // "$Name$" references: every second dollar sign closes one.
        if (line.kind == Line::PLAIN || line.kind == Line::OOC)
            continue;
        for (std::size_t open = line.text.find('$'); open != std::string::npos;)
        {
            std::size_t close = line.text.find('$', open + 1);
            if (close == std::string::npos)
                break;
            if (close > open + 1)
                names.insert(line.text.substr(open + 1, close - open - 1));
            open = line.text.find('$', close + 1);
        }
    }
    names.erase("me");
    std::vector<std::string> result(names.begin(), names.end());
    std::stable_sort(result.begin(), result.end(),
        [](const std::string& a, const std::string& b) { return a.size() > b.size(); });
    return result;
}

void resolve_actions(std::vector<Line>& lines, const std::vector<std::string>& names)
{
    for (Line& line : lines)
    {
        if (line.kind != Line::NARRATION)
            continue;
        for (const std::string& name : names)
        {
            if (line.text.compare(0, name.size(), name) != 0)
                continue;
            if (line.text.size() > name.size() && word_character(line.text[name.size()]))
                continue;
            line.kind = Line::ACTION;
            line.name = name;
            line.text = Markup::ME + line.text.substr(name.size());
            break;
        }
    }
}

const char* body_role(const Line& line)
{
    switch (line.kind)
    {
    case Line::OOC:
        return "ooc";
    case Line::NARRATION:
        return "gm";
    case Line::EVENT:
        return "event";
    default:
        break;
    }
    return line.name == Names::GAME_MASTER ? "gm" : "text";
}

Markup::Rendered render(const Line& line)
{
    switch (line.kind)
    {
    case Line::SPEECH:
    case Line::ACTION:
        return Markup::render_said(line.text, line.name);
    case Line::NARRATION:
        return Markup::render_said(line.text, std::string());
    case Line::OOC:
        return Markup::render_plain(line.name + ": ", line.text);
    case Line::EVENT:
        return Markup::render_plain(std::string(Names::SYSTEM) + " ", line.text);
    case Line::PLAIN:
        break;
    }
    return Markup::Rendered { line.text, {} };
}

} // namespace Transcript
