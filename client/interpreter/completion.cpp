#include "client/interpreter/completion.h"

#include "libs/strings/source/utils.h"

#include <algorithm>
#include <cctype>

namespace
{

bool is_reference_byte(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
}

// "Anna Bell" -> "Anna_Bell".
std::string typed_form(const std::string& name)
{
    std::string typed = name;
    std::replace(typed.begin(), typed.end(), ' ', '_');
    return typed;
}

} // namespace

bool Completion::complete(
    std::string& text, std::size_t& cursor, const std::vector<std::string>& names, Direction direction)
{
    if (!matches.empty() && text == completed && cursor == completed_cursor)
    {
        if (direction == FORWARD)
            index = (index + 1) % matches.size();
        else
            index = (index + matches.size() - 1) % matches.size();
        replace(text, cursor);
        return true;
    }

    matches.clear();
    std::size_t word = reference_start(text, cursor);
    if (word == std::string::npos)
        return false;
    std::string prefix = Kel::tolower(text.substr(word, cursor - word));
    for (const std::string& name : names)
    {
        std::string typed = typed_form(name);
        if (Kel::tolower(typed).compare(0, prefix.size(), prefix) == 0)
            matches.push_back(typed);
    }
    if (matches.empty())
        return false;
    std::sort(matches.begin(), matches.end(),
        [](const std::string& a, const std::string& b) { return Kel::strcasecmp(a, b) < 0; });
    matches.erase(std::unique(matches.begin(), matches.end()), matches.end());
    start = word;
    index = direction == FORWARD ? 0 : matches.size() - 1;
    replace(text, cursor);
    return true;
}

std::size_t Completion::reference_start(const std::string& text, std::size_t cursor)
{
    if (cursor > text.size())
        return std::string::npos;
    std::size_t word = cursor;
    while (word > 0 && is_reference_byte(text[word - 1]))
        --word;
    if (word == 0 || text[word - 1] != '#')
        return std::string::npos;
    return word;
}

void Completion::replace(std::string& text, std::size_t& cursor)
{
    text.replace(start, cursor - start, matches[index]);
    cursor = start + matches[index].size();
    completed = text;
    completed_cursor = cursor;
}
