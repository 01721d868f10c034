#include "client/session/safename.h"

std::string safe_name(const std::string& name)
{
    std::string result = name;
    for (char& c : result)
        if (c == '/' || c == '\\')
            c = '_';
    if (result.empty() || result[0] == '.')
        result.insert(0, 1, '_');
    return result;
}
