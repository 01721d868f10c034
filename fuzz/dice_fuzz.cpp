// Dice on arbitrary text, with and without a label: the text is refused
// with DiceError or read into an expression within the limits, whose rolls
// stay within its bounds, with fair dice and with dice that always show the
// lowest or the highest face.

#include "client/interpreter/dice.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

namespace
{

void check(bool condition, const char* what)
{
    if (!condition)
    {
        std::cerr << "Dice: " << what << std::endl;
        std::abort();
    }
}

class FixedDice: public DiceSource
{
public:
    explicit FixedDice(bool h): highest(h) { }
    unsigned draw(unsigned sides) override { return highest ? sides : 1; }

private:
    bool highest;
};

// How many dice of a group count towards its sum.
std::int64_t kept_dice(const Dice::Term& t)
{
    switch (t.keep)
    {
    case Dice::KEEP_HIGHEST:
    case Dice::KEEP_LOWEST:
        return t.keep_count < t.count ? t.keep_count : t.count;
    case Dice::DROP_HIGHEST:
    case Dice::DROP_LOWEST:
        return t.count - t.keep_count;
    case Dice::KEEP_ALL:
        break;
    }
    return t.count;
}

void check_roll(const Dice& dice, const Dice::Roll& r)
{
    const std::vector<Dice::Term>& terms = dice.get_terms();
    check(r.dice.size() == terms.size(), "one list of dice per term");
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::int64_t total = 0;
    std::size_t rolled = 0;
    for (std::size_t i = 0; i < terms.size(); ++i)
    {
        const Dice::Term& t = terms[i];
        std::int64_t sign = t.negative ? -1 : 1;
        if (t.count == 0)
        {
            check(r.dice[i].empty(), "dice for a number");
            low += sign * t.constant;
            high += sign * t.constant;
            total += sign * t.constant;
            continue;
        }
        check(r.dice[i].size() >= t.count, "fewer dice than the group's count");
        check(t.explode || r.dice[i].size() == t.count, "extra dice without explosions");
        rolled += r.dice[i].size();
        std::int64_t group = 0;
        for (const Dice::Die& die : r.dice[i])
        {
            check(die.value >= 1 && die.value <= t.sides, "die outside 1..sides");
            if (!die.dropped)
                group += die.value;
        }
        std::int64_t kept = kept_dice(t);
        std::int64_t most = kept * t.sides * (t.explode ? 1 + Dice::MAX_EXPLOSIONS : 1);
        check(group >= kept && group <= most, "group outside its bounds");
        low += t.negative ? -most : kept;
        high += t.negative ? -kept : most;
        total += sign * group;
    }
    check(rolled <= Dice::MAX_DICE, "more dice than the limit");
    check(r.total == total, "total is not the sum of the kept dice");
    check(r.total >= low && r.total <= high, "total outside the expression's bounds");

    const std::string shown = dice.show(r);
    check(shown.find_first_of("$*_%") == std::string::npos, "markup in the shown roll");
}

void check_expression(const Dice& dice)
{
    const std::vector<Dice::Term>& terms = dice.get_terms();
    check(!terms.empty(), "no terms");
    check(!terms[0].negative, "first term negative");
    std::size_t count = 0;
    for (const Dice::Term& t : terms)
    {
        count += t.count;
        if (t.count == 0)
            check(t.constant <= Dice::MAX_CONSTANT, "number above the limit");
        else
            check(t.sides >= Dice::MIN_SIDES && t.sides <= Dice::MAX_SIDES, "sides outside the limits");
        check(kept_dice(t) >= 1 || t.count == 0, "keep or drop leaves no die");
    }
    check(count >= 1 && count <= Dice::MAX_DICE, "dice count outside the limits");

    // The written-out form reads back as the same expression, where it fits.
    const std::string text = dice.get_text();
    if (text.size() <= Dice::MAX_LENGTH)
        check(Dice(text, Dice::NO_LABEL).get_text() == text, "written-out form reads differently");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (Dice::Label label : { Dice::NO_LABEL, Dice::ALLOW_LABEL })
    {
        try
        {
            Dice dice(text, label);
            check(label == Dice::ALLOW_LABEL || dice.get_label().empty(), "label where none is allowed");
            check_expression(dice);
            RandomDice fair(size);
            FixedDice lowest(false);
            FixedDice highest(true);
            check_roll(dice, dice.roll(fair));
            check_roll(dice, dice.roll(lowest));
            check_roll(dice, dice.roll(highest));
        }
        catch (const DiceError&)
        {
        }
    }
    return 0;
}
