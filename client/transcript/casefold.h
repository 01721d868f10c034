#ifndef PARLANE_CLIENT_TRANSCRIPT_CASEFOLD_H
#define PARLANE_CLIENT_TRANSCRIPT_CASEFOLD_H

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// Caseless matching for search: text and query are both folded, one code
// point to one code point ("Ä" and "ä" fold alike, so do "Σ", "σ" and "ς"),
// and then compared byte for byte. Foldings that would make one character
// two ("ß" to "ss") are not made.
namespace Transcript
{

struct CaseFoldPair
{
    char32_t from;
    char32_t to;
};
// Every code point above U+007F that folds to another, ascending by from.
extern const CaseFoldPair CASE_FOLD_TABLE[];
extern const std::size_t CASE_FOLD_TABLE_SIZE;

char32_t fold_code_point(char32_t cp);
// The folded form of text; bytes that are not valid UTF-8 stay as they are.
// "Straße ΣΟΦΙΑ" -> "straße σοφια".
std::string fold_case(const std::string& text);

// Folds blocks of text and maps offsets in the folded text back to the
// original. Most text folds to the same length byte for byte; where a
// character does not (the Kelvin sign, three bytes, folds to "k"), the
// place is recorded, so the mapping costs nothing for text without them.
class CaseFolder
{
public:
    // Replaces what was folded before.
    void fold(const char* begin, const char* end);

    const std::string& get_text() const { return folded; }
    std::size_t original_offset(std::size_t folded_offset) const;

private:
    std::string folded;
    // (folded offset, original offset) at each place after which the two
    // differ by a new amount, ascending.
    std::vector<std::pair<std::size_t, std::size_t>> shifts;
};

} // namespace Transcript

#endif
