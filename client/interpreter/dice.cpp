#include "client/interpreter/dice.h"

#include "libs/strings/source/formatter.h"

#include <algorithm>
#include <cctype>
#include <numeric>

namespace
{

const char INVALID[] = "Invalid parameters";

// Numbers stop growing here, far above every limit, so that a long row of
// digits is refused by its limit and never overflows.
const unsigned SATURATED = 100000000;

bool is_blank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

char lower(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

std::size_t after_blanks(const std::string& text, std::size_t at)
{
    while (at < text.size() && is_blank(text[at]))
        ++at;
    return at;
}

// Reads one expression from the front of a text and stops where it ends.
// Each character that becomes part of the expression goes through take(),
// which refuses one beyond Dice::MAX_LENGTH: reading never runs far into a
// long text, and a long expression is refused before anything in it.
class Parser
{
public:
    explicit Parser(const std::string& t): text(t), pos(0) { }

    std::vector<Dice::Term> expression()
    {
        std::vector<Dice::Term> terms;
        skip_blanks();
        if (peek() == '+' && is_digit(peek(pos + 1)))
            take();
        bool negative = false;
        for (;;)
        {
            terms.push_back(term());
            terms.back().negative = negative;
            std::size_t next = after_blanks(text, pos);
            if (next >= text.size() || (text[next] != '+' && text[next] != '-'))
                return terms;
            pos = next;
            negative = peek() == '-';
            take();
            skip_blanks();
        }
    }

    // Where the expression read so far ends.
    std::size_t get_pos() const { return pos; }

private:
    // '\0' past the end.
    char peek(std::size_t at) const { return at < text.size() ? text[at] : '\0'; }
    char peek() const { return peek(pos); }

    void take()
    {
        if (pos >= Dice::MAX_LENGTH)
            throw DiceError(Kel::format("A dice expression is at most %d characters", Dice::MAX_LENGTH));
        ++pos;
    }

    void skip_blanks() { pos = after_blanks(text, pos); }

    unsigned number()
    {
        if (!is_digit(peek()))
            throw DiceError(INVALID);
        unsigned value = 0;
        while (is_digit(peek()))
        {
            if (value < SATURATED)
                value = value * 10 + static_cast<unsigned>(peek() - '0');
            take();
        }
        return value;
    }

    // Whether the sides of a group start at or after blanks from at: "20 d 8"
    // is a group, "20 damage" a number and a label.
    bool sides_at(std::size_t at) const
    {
        at = after_blanks(text, at);
        char c = peek(at);
        return is_digit(c) || c == '%' || (c == '+' && is_digit(peek(at + 1)));
    }

    Dice::Term term()
    {
        Dice::Term t { false, 0, 0, false, Dice::KEEP_ALL, 0, 0 };
        bool counted = is_digit(peek());
        unsigned n = counted ? number() : 1;
        std::size_t d = counted ? after_blanks(text, pos) : pos;
        if (peek(d) != 'd' || !sides_at(d + 1))
        {
            if (!counted)
                throw DiceError(INVALID);
            t.constant = n;
            return t;
        }
        if (n == 0)
            throw DiceError("Cannot roll 0 dice");
        pos = d;
        take();
        skip_blanks();
        t.count = n;
        if (peek() == '%')
        {
            take();
            t.sides = 100;
        }
        else
        {
            if (peek() == '+')
                take();
            t.sides = number();
        }
        modifiers(t);
        return t;
    }

    void modifiers(Dice::Term& t)
    {
        for (;;)
        {
            char c = lower(peek());
            if (c == '!' && !t.explode)
            {
                take();
                t.explode = true;
            }
            else if ((c == 'k' || c == 'd') && t.keep == Dice::KEEP_ALL)
            {
                char side = lower(peek(pos + 1));
                if (side == 'h')
                    t.keep = c == 'k' ? Dice::KEEP_HIGHEST : Dice::DROP_HIGHEST;
                else if (side == 'l')
                    t.keep = c == 'k' ? Dice::KEEP_LOWEST : Dice::DROP_LOWEST;
                else if (c == 'k')
                    t.keep = Dice::KEEP_HIGHEST;
                else
                    throw DiceError(INVALID);
                take();
                if (side == 'h' || side == 'l')
                    take();
                t.keep_count = number();
            }
            else
                return;
        }
    }

    const std::string& text;
    std::size_t pos;
};

void check_term(const Dice::Term& t)
{
    if (t.count == 0)
    {
        if (t.constant > Dice::MAX_CONSTANT)
            throw DiceError(Kel::format("Numbers in a roll are at most %d", Dice::MAX_CONSTANT));
        return;
    }
    if (t.sides < Dice::MIN_SIDES || t.sides > Dice::MAX_SIDES)
        throw DiceError(Kel::format("Dice have %d to %d sides", Dice::MIN_SIDES, Dice::MAX_SIDES));
    bool keeps_none = (t.keep == Dice::KEEP_HIGHEST || t.keep == Dice::KEEP_LOWEST) ? t.keep_count == 0
        : (t.keep == Dice::DROP_HIGHEST || t.keep == Dice::DROP_LOWEST) ? t.keep_count >= t.count
                                                                         : false;
    if (keeps_none)
        throw DiceError("Keep or drop must leave at least one die");
}

// How many dice the expression rolls before explosions.
unsigned count_dice(const std::vector<Dice::Term>& terms)
{
    unsigned dice = 0;
    for (const Dice::Term& t : terms)
        dice += std::min(t.count, Dice::MAX_DICE + 1);
    return dice;
}

// Marks the dice that a group's keep or drop leaves out. sums[i] is the
// value of die i with its explosions.
std::vector<bool> dropped_dice(const Dice::Term& t, const std::vector<std::int64_t>& sums)
{
    std::vector<bool> dropped(sums.size(), false);
    if (t.keep == Dice::KEEP_ALL)
        return dropped;
    std::vector<std::size_t> order(sums.size());
    std::iota(order.begin(), order.end(), 0);
    bool highest_first = t.keep == Dice::KEEP_HIGHEST || t.keep == Dice::DROP_HIGHEST;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return highest_first ? sums[a] > sums[b] : sums[a] < sums[b];
    });
    bool keeping = t.keep == Dice::KEEP_HIGHEST || t.keep == Dice::KEEP_LOWEST;
    for (std::size_t place = 0; place < order.size(); ++place)
    {
        bool among_first = place < t.keep_count;
        dropped[order[place]] = keeping ? !among_first : among_first;
    }
    return dropped;
}

} // namespace

RandomDice::RandomDice()
{
    std::random_device entropy;
    std::seed_seq seed { entropy(), entropy(), entropy(), entropy() };
    engine.seed(seed);
}

RandomDice::RandomDice(std::uint64_t seed): engine(seed)
{
}

unsigned RandomDice::draw(unsigned sides)
{
    return std::uniform_int_distribution<unsigned>(1, sides)(engine);
}

Dice::Dice(const std::string& text, Label mode)
{
    Parser parser(text);
    terms = parser.expression();
    std::size_t end = parser.get_pos();
    std::size_t rest = after_blanks(text, end);
    if (rest < text.size())
    {
        if (mode == NO_LABEL || rest == end)
            throw DiceError(INVALID);
        label = text.substr(rest, text.find_last_not_of(" \t\r\n") + 1 - rest);
    }

    // A number alone is the die players have always written that way.
    if (terms.size() == 1 && terms[0].count == 0)
    {
        terms[0].sides = terms[0].constant;
        terms[0].count = 1;
        terms[0].constant = 0;
    }
    bool any_dice = false;
    for (const Term& t : terms)
    {
        check_term(t);
        any_dice = any_dice || t.count > 0;
    }
    if (!any_dice)
        throw DiceError("A roll needs at least one die");
    if (count_dice(terms) > MAX_DICE)
        throw DiceError(Kel::format("At most %d dice in one roll", MAX_DICE));
}

Dice::Roll Dice::roll(DiceSource& source) const
{
    Roll r { {}, 0 };
    unsigned spare = MAX_DICE - count_dice(terms);
    for (const Term& t : terms)
    {
        r.dice.emplace_back();
        std::vector<Die>& dice = r.dice.back();
        if (t.count == 0)
        {
            r.total += t.negative ? -std::int64_t(t.constant) : std::int64_t(t.constant);
            continue;
        }
        std::vector<std::size_t> starts;
        std::vector<std::int64_t> sums;
        for (unsigned i = 0; i < t.count; ++i)
        {
            starts.push_back(dice.size());
            unsigned value = source.draw(t.sides);
            dice.push_back(Die { value, false });
            std::int64_t sum = value;
            for (unsigned extra = 0; t.explode && value == t.sides && extra < MAX_EXPLOSIONS && spare > 0; ++extra)
            {
                --spare;
                value = source.draw(t.sides);
                dice.push_back(Die { value, false });
                sum += value;
            }
            sums.push_back(sum);
        }
        starts.push_back(dice.size());

        std::vector<bool> dropped = dropped_dice(t, sums);
        std::int64_t group = 0;
        for (std::size_t i = 0; i < sums.size(); ++i)
        {
            if (!dropped[i])
                group += sums[i];
            for (std::size_t k = starts[i]; k < starts[i + 1]; ++k)
                dice[k].dropped = dropped[i];
        }
        r.total += t.negative ? -group : group;
    }
    return r;
}

std::string Dice::show(const Roll& r) const
{
    if (is_plain())
        return Kel::format("%dd%d = %d", terms[0].count, terms[0].sides, r.total);
    return get_text() + " = " + show_dice(r);
}

std::string Dice::show_dice(const Roll& r) const
{
    std::string out;
    for (std::size_t i = 0; i < terms.size(); ++i)
    {
        if (i > 0)
            out += terms[i].negative ? " - " : " + ";
        if (terms[i].count == 0)
        {
            out += std::to_string(terms[i].constant);
            continue;
        }
        out += '[';
        const std::vector<Die>& dice = r.dice[i];
        for (std::size_t k = 0; k < dice.size(); ++k)
        {
            if (k > 0)
                out += ", ";
            std::string value = std::to_string(dice[k].value);
            out += dice[k].dropped ? "~~" + value + "~~" : value;
        }
        out += ']';
    }
    return out + " = " + std::to_string(r.total);
}

std::string Dice::get_text() const
{
    static const char* const keep_names[] = { "", "kh", "kl", "dh", "dl" };
    std::string out;
    for (std::size_t i = 0; i < terms.size(); ++i)
    {
        const Term& t = terms[i];
        if (i > 0)
            out += t.negative ? '-' : '+';
        if (t.count == 0)
        {
            out += std::to_string(t.constant);
            continue;
        }
        out += std::to_string(t.count) + 'd' + std::to_string(t.sides);
        if (t.explode)
            out += '!';
        if (t.keep != KEEP_ALL)
            out += keep_names[t.keep] + std::to_string(t.keep_count);
    }
    return out;
}

bool Dice::is_plain() const
{
    const Term& t = terms[0];
    return terms.size() == 1 && !t.explode && t.keep == KEEP_ALL;
}
