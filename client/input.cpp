#include "client/parlane.h"

#include <algorithm>

void Parlane::input(const std::string&)
{
    // FIXME: the line interpreter is not written yet; typed lines are dropped.
}

std::string Parlane::unescape_name(const std::string& n)
{
    std::string result = n;
    std::replace(result.begin(), result.end(), '_', ' ');
    return result;
}
