#ifndef PARLANE_CLIENT_INTERPRETER_DICE_H
#define PARLANE_CLIENT_INTERPRETER_DICE_H

#include "libs/core/source/core/except.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// A dice expression refused; what() is a sentence for the player, such as
// "At most 1000 dice in one roll", or "Invalid parameters" for text that is
// no expression at all.
class DiceError: public Kel::Exception
{
public:
    explicit DiceError(const std::string& message): Exception(message) { }
};

// Where dice values come from: draw(s) is a value from 1 to s, s >= 2.
class DiceSource
{
public:
    virtual ~DiceSource() { }
    virtual unsigned draw(unsigned sides) = 0;
};

// Fair dice: each value of 1..s equally likely, drawn from a 64-bit
// Mersenne Twister. The default constructor seeds it from the system's
// entropy source; a fixed seed gives a repeatable sequence for tests.
class RandomDice: public DiceSource
{
public:
    RandomDice();
    explicit RandomDice(std::uint64_t seed);

    unsigned draw(unsigned sides) override;

private:
    std::mt19937_64 engine;
};

// A dice expression as players type it at the table, parsed once and then
// rolled: "2d6", "20" (one die of 20 sides), "d%", "4d6kh3+2", "3d6!",
// "1d20-1d4+3". It knows nothing of scenes or packets.
//
//   expression = term { ("+" | "-") term }
//   term       = [count] "d" (sides | "%") [modifiers] | number
//   modifiers  = "!" (exploding) and at most one of "k" N (same as "kh" N),
//                "kh" N, "kl" N, "dh" N, "dl" N, in either order
//
// Blanks may stand between numbers, letters "d" and signs, as in "3 d 8",
// but not before or inside modifiers. The dice letter is a lower-case "d"
// ("2D6" is refused); modifier letters may be of either case. A number alone
// is a die of that many sides, while a number beside other terms is added
// or subtracted. As in the older form of the command, "+" may stand before
// the first number and before the sides ("+2d+6" is 2d6).
//
// Limits: every group rolls at least 1 die; at most MAX_DICE dice in the
// whole expression, explosions included (an exploding die stops after
// MAX_EXPLOSIONS extra rolls, and explosions stop once the expression holds
// MAX_DICE dice); MIN_SIDES to MAX_SIDES sides; numbers up to MAX_CONSTANT;
// the expression at most MAX_LENGTH characters. Keep and drop must leave at
// least one die of their group. Rolls of an exploding group count each die
// with its extra rolls as one value when keeping or dropping.
class Dice
{
public:
    static constexpr unsigned MAX_DICE = 1000;
    static constexpr unsigned MAX_EXPLOSIONS = 100;
    static constexpr unsigned MIN_SIDES = 2;
    static constexpr unsigned MAX_SIDES = 10000;
    static constexpr unsigned MAX_CONSTANT = 1000000;
    static constexpr unsigned MAX_LENGTH = 200;

    // Whether text may follow the expression: a label, separated from it by
    // a blank ("1d20+5 attack").
    enum Label
    {
        NO_LABEL,
        ALLOW_LABEL
    };

    enum Keep
    {
        KEEP_ALL,
        KEEP_HIGHEST,
        KEEP_LOWEST,
        DROP_HIGHEST,
        DROP_LOWEST
    };

    // A group of dice (count > 0) or a number (count == 0, value in constant).
    struct Term
    {
        bool negative;
        unsigned count;
        unsigned sides;
        bool explode;
        Keep keep;
        unsigned keep_count;
        unsigned constant;
    };

    // One die as it fell: an exploding die shows each of its rolls as one
    // Die; the rolls of a dropped die are all marked dropped.
    struct Die
    {
        unsigned value;
        bool dropped;
    };

    // The dice of each group (empty for a number), in the order of the
    // terms, and the sum of the whole expression.
    struct Roll
    {
        std::vector<std::vector<Die>> dice;
        std::int64_t total;
    };

    // Throws DiceError. With ALLOW_LABEL, the text after the expression and
    // its blanks is the label, blanks at its end removed.
    Dice(const std::string& text, Label label);

    Roll roll(DiceSource& source) const;
    // "2d6 = 9" for a single group without modifiers, as players know it;
    // otherwise the dice of each group and the total:
    // "4d6kh3+2 = [6, 5, 3, ~~1~~] + 2 = 16".
    std::string show(const Roll& r) const;
    // The dice and the total only: "[6, 5, 3, ~~1~~] + 2 = 16".
    std::string show_dice(const Roll& r) const;

    // The expression written out in full, lower case: "d%+3" -> "1d100+3",
    // "4d6K3" -> "4d6kh3", "20" -> "1d20".
    std::string get_text() const;
    const std::string& get_label() const { return label; }
    const std::vector<Term>& get_terms() const { return terms; }

private:
    bool is_plain() const;

    std::vector<Term> terms;
    std::string label;
};

#endif
