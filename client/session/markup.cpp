#include "client/session/markup.h"

#include <cstdint>

namespace Markup
{

namespace
{

// A line on its way through the passes: the text after names are resolved,
// and for each byte whether it may be a marker and whether a pass has
// removed it. Removed bytes stay in place until finish(), so that every
// span keeps the coordinates of this text until then.
class Draft
{
public:
    void append(const std::string& part, bool may_mark)
    {
        text += part;
        flags.resize(text.size(), may_mark ? MAY_MARK : 0);
    }

    // Pairs the markable occurrences of c from left to right. A pair whose
    // partners stand side by side in the text as it is after the earlier
    // passes is a literal c; otherwise the enclosed bytes get style, and with
    // remove the markers go.
    void pair(char c, bool remove, Style style)
    {
        count_removed();
        const std::size_t none = std::string::npos;
        std::size_t open = none;
        for (std::size_t i = text.find(c); i != none; i = text.find(c, i + 1))
        {
            if (!(flags[i] & MAY_MARK) || (flags[i] & REMOVED))
                continue;
            if (open == none)
            {
                open = i;
                continue;
            }
            if (removed_before[i] - removed_before[open + 1] == i - open - 1)
                flags[i] |= REMOVED;
            else
            {
                spans.push_back(Span { open + 1, i, style });
                if (remove)
                {
                    flags[open] |= REMOVED;
                    flags[i] |= REMOVED;
                }
            }
            open = none;
        }
    }

    Rendered finish()
    {
        count_removed();
        Rendered result;
        result.text.reserve(text.size());
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!(flags[i] & REMOVED))
                result.text += text[i];
        result.spans.reserve(spans.size());
        for (const Span& span : spans)
            result.spans.push_back(
                Span { span.begin - removed_before[span.begin], span.end - removed_before[span.end], span.style });
        return result;
    }

    std::string text;
    std::vector<Span> spans;

private:
    enum : std::uint8_t
    {
        MAY_MARK = 1,
        REMOVED = 2
    };

    // removed_before[i]: how many bytes before i are removed.
    void count_removed()
    {
        removed_before.assign(text.size() + 1, 0);
        for (std::size_t i = 0; i < text.size(); ++i)
            removed_before[i + 1] = removed_before[i] + ((flags[i] & REMOVED) ? 1 : 0);
    }

    std::vector<std::uint8_t> flags;
    std::vector<std::size_t> removed_before;
};

void emphasise(Draft& draft)
{
    draft.pair('*', true, BOLD);
    draft.pair('_', true, UNDERLINE);
    draft.pair('%', true, ITALIC);
}

} // namespace

std::string reference(const std::string& name)
{
    return '$' + name + '$';
}

bool names_speaker(const std::string& text)
{
    return text.find(ME) != std::string::npos;
}

std::string replace_me(const std::string& text, const std::string& speaker)
{
    const std::string placeholder = ME;
    std::string result;
    result.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, from))
    {
        result.append(text, from, at - from);
        result += speaker;
        from = at + placeholder.size();
    }
    result.append(text, from, std::string::npos);
    return result;
}

Rendered render_said(const std::string& text, const std::string& speaker)
{
    Draft draft;
    std::size_t from = 0;
    for (;;)
    {
        std::size_t open = text.find('$', from);
        std::size_t close = open == std::string::npos ? open : text.find('$', open + 1);
        if (close == std::string::npos)
            break;
        draft.append(text.substr(from, open - from), true);
        std::string name = text.substr(open + 1, close - open - 1);
        bool own = name == "me";
        std::size_t begin = draft.text.size();
        draft.append(own ? speaker : name, false);
        draft.spans.push_back(Span { begin, draft.text.size(), own ? OWN_NAME : OTHER_NAME });
        from = close + 1;
    }
    draft.append(text.substr(from), true);
    draft.pair('"', false, SPEECH);
    emphasise(draft);
    return draft.finish();
}

Rendered render_plain(const std::string& prefix, const std::string& text)
{
    Draft draft;
    draft.append(prefix, false);
    draft.append(text, true);
    emphasise(draft);
    return draft.finish();
}

} // namespace Markup
