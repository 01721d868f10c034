#ifndef PARLANE_CLIENT_INTERPRETER_INTERPRETER_H
#define PARLANE_CLIENT_INTERPRETER_INTERPRETER_H

#include "client/interpreter/dice.h"

#include <string>

class Config;
class Requests;
class Session;

// What the interpreter needs besides the model and the requests: the
// biography editor.
class InterpreterPort
{
public:
    virtual ~InterpreterPort() { }

    virtual void edit_biography(const std::string& character) = 0;
};

// Turns one typed line into requests: "/word rest" runs a command; anything
// else is said in the active scene under the name the user speaks as, with
// "#name" references resolved and speech marks added. A line it cannot take
// (no connection, no scene, a fault in the line) sends nothing: a local line
// in the active scene says why, and the caller keeps the text.
class Interpreter
{
public:
    Interpreter(Session& s, Requests& r, const Config& c, InterpreterPort& p);
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // False when the line was not taken and should stay with the user.
    bool input(const std::string& str);
    // Where /dice and /roll take their values from; fair dice seeded from
    // the system's entropy source until a test sets another.
    void set_dice_source(DiceSource& source) { dice = &source; }

    // "Bob_Stone" -> "Bob Stone": typed names use "_" for a blank.
    static std::string unescape_name(const std::string& n);

private:
    bool run_command(const std::string& str);
    bool run_gm_command(const std::string& cmd, const std::string& rest);
    // Shows what is wrong with the typed line; returns false.
    bool problem(const std::string& text);
    void clear_scene(bool npcs_only);
    // "/dice EXPR": the roll shown to the user alone.
    bool roll_dice(const std::string& rest);
    // "/roll EXPR [label]": the roll said in the active scene as an action
    // of the speaker, "$me$ rolls 1d20+5 (attack): [14] + 5 = 19".
    bool roll_in_scene(const std::string& rest);
    bool speak_as_npc(const std::string& rest);
    // Replaces "#name" references in str by "$Name$"; false when one is
    // ambiguous (reported) and the line must be dropped.
    bool resolve_references(const std::string& str, std::string& line);
    // Best match for the lower-case prefix ref: present characters beat
    // absent ones. False when two match equally well.
    bool resolve_abbreviation(const std::string& ref, std::string& rname) const;
    // Wraps plain speech: "$me$: \"text\"", or "$me$: text" in "OOC", or
    // unchanged for the narrator and for actions that name the speaker.
    void add_speech_markers(std::string& line) const;

    Session& session;
    Requests& requests;
    const Config& config;
    InterpreterPort& port;
    RandomDice random_dice;
    DiceSource* dice = &random_dice; // not owned
};

#endif
