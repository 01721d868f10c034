#ifndef PARLANE_SERVER_STATEFILE_H
#define PARLANE_SERVER_STATEFILE_H

#include <string>

class GameState;

// The file that keeps a GameState across restarts, in the data-file text
// syntax, one statement per line:
//
//     session "First night";
//     character "Alice" false "A tall woman\nwith a lantern";
//     scene "Tavern" true "Town";
//     occupant "Tavern" "Alice";
//
// Strings are written escaped, so every byte reads back as it was. A save
// writes a temporary file beside the real one and renames it over it, so a
// crash at any moment leaves either the old file or the new one.
class StateFile
{
public:
    explicit StateFile(const std::string& path);

    // Replaces state with the file's content. Returns false, leaving state
    // alone, when the file does not exist. A file that cannot be read or
    // makes no sense throws Kel::Exception (data-file errors name the line).
    bool load(GameState& state) const;

    // Throws Kel::SystemError when the file cannot be written; the previous
    // file is then untouched.
    void save(const GameState& state) const;

    // The text that save() writes.
    static std::string render(const GameState& state);

    const std::string& get_path() const { return path; }
    // Where save() writes before renaming.
    std::string get_temporary_path() const { return path + ".tmp"; }

private:
    std::string path;
};

#endif
