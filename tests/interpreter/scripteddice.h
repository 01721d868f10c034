#ifndef PARLANE_TESTS_INTERPRETER_SCRIPTEDDICE_H
#define PARLANE_TESTS_INTERPRETER_SCRIPTEDDICE_H

#include "client/interpreter/dice.h"

#include <deque>
#include <vector>

// Hands out the given values in order; once they run out, the largest value.
struct ScriptedDice: DiceSource
{
    explicit ScriptedDice(std::vector<unsigned> v = {}): values(v.begin(), v.end()) { }

    unsigned draw(unsigned sides) override
    {
        ++draws;
        if (values.empty())
            return sides;
        const unsigned value = values.front();
        values.pop_front();
        return value;
    }

    std::deque<unsigned> values;
    unsigned draws = 0;
};

#endif
