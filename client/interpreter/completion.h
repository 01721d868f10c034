#ifndef PARLANE_CLIENT_INTERPRETER_COMPLETION_H
#define PARLANE_CLIENT_INTERPRETER_COMPLETION_H

#include <cstddef>
#include <string>
#include <vector>

// Completes a "#name" reference being typed: "#an" before the cursor
// becomes "#Anna", or "#Anna_Bell" for a name with a blank, the form the
// interpreter reads. Asked again for the same text and cursor, it steps to
// the next match, or back to the one before; the step wraps around.
class Completion
{
public:
    enum Direction
    {
        FORWARD,
        BACKWARD
    };

    // Completes the reference that ends at cursor (a byte offset into
    // text) from names, and moves cursor behind it. Returns false, changing
    // nothing, when no "#" word ends there or no name begins with it.
    bool complete(std::string& text, std::size_t& cursor, const std::vector<std::string>& names,
        Direction direction);

private:
    // Offset of the word after "#" that ends at cursor, or npos.
    static std::size_t reference_start(const std::string& text, std::size_t cursor);
    void replace(std::string& text, std::size_t& cursor);

    std::vector<std::string> matches; // sorted, in the typed form
    std::size_t index = 0;
    std::size_t start = 0; // of the completed word, after "#"
    std::string completed; // the text as last completed
    std::size_t completed_cursor = 0;
};

#endif
