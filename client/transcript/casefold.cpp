#include "client/transcript/casefold.h"

#include "common/chattext.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace Transcript
{

namespace
{

const std::uint64_t HIGH_BITS = 0x8080808080808080ULL;
const std::uint64_t ONES = 0x0101010101010101ULL;

// Eight ASCII bytes with their capitals made small, all at once: a byte's
// high bit marks "at least 'A'" and "above 'Z'" after the additions, which
// cannot carry into the next byte since every byte is below 0x80.
std::uint64_t lower_ascii_word(std::uint64_t word)
{
    std::uint64_t at_least_a = word + ONES * (0x80 - 'A');
    std::uint64_t above_z = word + ONES * (0x7F - 'Z');
    std::uint64_t capitals = at_least_a & ~above_z & HIGH_BITS;
    return word | (capitals >> 2);
}

char lower_ascii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

} // namespace

char32_t fold_code_point(char32_t cp)
{
    if (cp < 0x80)
        return cp >= 'A' && cp <= 'Z' ? cp + ('a' - 'A') : cp;
    const CaseFoldPair* end = CASE_FOLD_TABLE + CASE_FOLD_TABLE_SIZE;
    const CaseFoldPair* found =
        std::lower_bound(CASE_FOLD_TABLE, end, cp, [](const CaseFoldPair& p, char32_t c) { return p.from < c; });
    return found != end && found->from == cp ? found->to : cp;
}

std::string fold_case(const std::string& text)
{
    CaseFolder folder;
    folder.fold(text.data(), text.data() + text.size());
    return folder.get_text();
}

void CaseFolder::fold(const char* begin, const char* end)
{
    folded.resize(static_cast<std::size_t>(end - begin));
    shifts.clear();
    char* out = folded.data();
    const char* p = begin;
    while (p < end)
    {
        if (end - p >= 8)
        {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if (!(word & HIGH_BITS))
            {
                word = lower_ascii_word(word);
                std::memcpy(out, &word, 8);
                p += 8;
                out += 8;
                continue;
            }
        }
        if (static_cast<unsigned char>(*p) < 0x80)
        {
            *out++ = lower_ascii(*p++);
            continue;
        }
        char32_t cp;
        std::size_t length = ChatText::decode_utf8(p, end, cp);
        if (length == 0)
        {
            *out++ = *p++;
            continue;
        }
        std::string encoded;
        ChatText::append_utf8(encoded, fold_code_point(cp));
        std::size_t at = static_cast<std::size_t>(out - folded.data());
        if (encoded.size() != length)
        {
            // The folded text may grow past the room reserved so far.
            std::size_t need = at + encoded.size() + static_cast<std::size_t>(end - p - length);
            if (need > folded.size())
                folded.resize(need);
            out = folded.data() + at;
        }
        std::memcpy(out, encoded.data(), encoded.size());
        out += encoded.size();
        p += length;
        if (encoded.size() != length)
            shifts.emplace_back(static_cast<std::size_t>(out - folded.data()), static_cast<std::size_t>(p - begin));
    }
    folded.resize(static_cast<std::size_t>(out - folded.data()));
}

std::size_t CaseFolder::original_offset(std::size_t folded_offset) const
{
    // The last shift at or before the offset says how the two texts line up
    // from there on.
    auto after = std::upper_bound(shifts.begin(), shifts.end(), folded_offset,
        [](std::size_t offset, const std::pair<std::size_t, std::size_t>& s) { return offset < s.first; });
    if (after == shifts.begin())
        return folded_offset;
    const std::pair<std::size_t, std::size_t>& shift = *(after - 1);
    return shift.second + (folded_offset - shift.first);
}

} // namespace Transcript
