#ifndef PARLANE_CLIENT_SESSION_MENTIONS_H
#define PARLANE_CLIENT_SESSION_MENTIONS_H

#include <string>
#include <vector>

// Finds whether a chat line speaks to the user: whether it holds one of the
// user's names or highlight words as a whole word, ignoring letter case.
// Words are runs of letters and digits of any script, so "Anna" is found in
// "$Anna$ waves", "hi, anna!" and "Anna’s" but not in "Annabel" or "Annaé".
class Mentions
{
public:
    // Replaces the names and words looked for; empty ones are ignored.
    void set_needles(const std::vector<std::string>& needles);
    bool found_in(const std::string& text) const;

    // "rune, dragon fire ,  " -> {"rune", "dragon fire"}.
    static std::vector<std::string> split_words(const std::string& list);

private:
    std::vector<std::string> lowered; // needles in ASCII lower case
};

#endif
