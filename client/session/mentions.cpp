#include "client/session/mentions.h"

#include "libs/strings/source/utils.h"

#include <cctype>

namespace
{

// The character that begins at text[at], decoded from UTF-8; a byte that
// starts no valid sequence stands for itself.
char32_t character_at(const std::string& text, std::size_t at)
{
    unsigned char lead = static_cast<unsigned char>(text[at]);
    int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (length == 1 || at + length > text.size())
        return lead;
    char32_t c = lead & (0x3F >> (length - 1));
    for (int i = 1; i < length; ++i)
        c = (c << 6) | (static_cast<unsigned char>(text[at + i]) & 0x3F);
    return c;
}

// Letters and digits, of any script; the punctuation and symbols of Latin-1,
// general punctuation, symbols and CJK punctuation are not.
bool is_word_character(char32_t c)
{
    if (c < 0x80)
        return std::isalnum(static_cast<int>(c));
    if (c < 0xC0 || c == 0xD7 || c == 0xF7)
        return false;
    if ((c >= 0x2000 && c <= 0x2BFF) || (c >= 0x3000 && c <= 0x303F) || (c >= 0xFE30 && c <= 0xFE6F)
        || (c >= 0xFF00 && c <= 0xFF0F))
        return false;
    return true;
}

// The character that ends just before text[at].
char32_t character_before(const std::string& text, std::size_t at)
{
    std::size_t start = at - 1;
    while (start > 0 && at - start < 4 && (static_cast<unsigned char>(text[start]) & 0xC0) == 0x80)
        --start;
    return character_at(text, start);
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
            bool starts = at == 0 || !is_word_character(character_before(haystack, at))
                || !is_word_character(character_at(needle, 0));
            bool ends = end == haystack.size() || !is_word_character(character_at(haystack, end))
                || !is_word_character(character_before(needle, needle.size()));
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
