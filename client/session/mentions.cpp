#include "client/session/mentions.h"

#include "libs/strings/source/utils.h"

#include <cctype>

namespace
{

bool is_word_byte(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 0x80 || std::isalnum(u);
}

} // namespace

void Mentions::set_needles(const std::vector<std::string>& needles)
{
    lowered.clear();
    for (const std::string& needle : needles)
        if (!needle.empty())
            lowered.push_back(Kel::tolower(needle));
}

bool Mentions::found_in(const std::string& text) const
{
    if (lowered.empty())
        return false;
    std::string haystack = Kel::tolower(text);
    for (const std::string& needle : lowered)
        for (std::size_t at = haystack.find(needle); at != std::string::npos; at = haystack.find(needle, at + 1))
        {
            std::size_t end = at + needle.size();
            bool starts = at == 0 || !is_word_byte(haystack[at - 1]) || !is_word_byte(needle.front());
            bool ends = end == haystack.size() || !is_word_byte(haystack[end]) || !is_word_byte(needle.back());
            if (starts && ends)
                return true;
        }
    return false;
}

std::vector<std::string> Mentions::split_words(const std::string& list)
{
    std::vector<std::string> words;
    for (const std::string& part : Kel::split(list, ","))
    {
        std::string word = Kel::strip(part);
        if (!word.empty())
            words.push_back(word);
    }
    return words;
}
