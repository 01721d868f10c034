// Kel::Path from arbitrary text, joined with a second one: every result is
// in normal form, parses back to itself, and its component access (size,
// index, iterators both ways, subpath) agrees; relative() undoes a join.

#include "libs/path/source/path.h"

#include "libs/path/source/utils.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

namespace
{

void check(bool condition, const char* what, const Kel::Path& path)
{
    if (!condition)
    {
        std::cerr << "Path \"" << path.str() << "\": " << what << std::endl;
        std::abort();
    }
}

std::vector<std::string> components_forward(const Kel::Path& path)
{
    std::vector<std::string> result;
    for (Kel::Path::Iterator i = path.begin(); i != path.end(); ++i)
    {
        result.push_back(*i);
        check(result.size() <= path.str().size(), "iteration does not end", path);
    }
    return result;
}

bool has_dot_components(const Kel::Path& path)
{
    for (const std::string& c : components_forward(path))
        if (c == "." || c == "..")
            return true;
    return false;
}

void check_normal(const Kel::Path& path)
{
    const std::string& s = path.str();
    check(s.find("//") == std::string::npos, "double separator", path);
    check(s.find('\\') == std::string::npos, "backslash kept", path);
    check(s.size() <= 1 || s.back() != '/', "trailing separator", path);
    check(path.is_absolute() == (!s.empty() && s[0] == '/'), "is_absolute disagrees with the text", path);
    check(Kel::Path(s) == path, "normal form does not parse back to itself", path);

    const std::vector<std::string> parts = components_forward(path);
    check(parts.size() == path.size(), "size() differs from the number of components", path);
    bool leading = true;
    for (std::size_t i = 0; i < parts.size(); ++i)
    {
        const std::string& c = parts[i];
        check(!c.empty(), "empty component", path);
        if (c == "/")
            check(i == 0, "root not first", path);
        else
            check(c.find('/') == std::string::npos, "separator inside a component", path);
        check(c != "." || s == ".", "'.' component in a longer path", path);
        if (c == "..")
        {
            check(!path.is_absolute(), "'..' in an absolute path", path);
            check(leading, "'..' after a name", path);
        }
        else
            leading = false;

        check(path[static_cast<int>(i)] == c, "index from the front differs", path);
        check(path[static_cast<int>(i) - static_cast<int>(parts.size())] == c, "index from the back differs",
            path);
    }
    check(path[static_cast<int>(parts.size())].empty(), "index past the end not empty", path);
    check(path[-static_cast<int>(parts.size()) - 1].empty(), "index before the front not empty", path);

    std::vector<std::string> backwards;
    Kel::Path::Iterator it = path.end();
    for (std::size_t n = 0; n < parts.size(); ++n)
    {
        --it;
        backwards.insert(backwards.begin(), *it);
    }
    check(backwards == parts, "iterating backwards differs", path);
    if (!parts.empty())
    {
        --it;
        check(it == path.begin(), "decrement from the first component moved", path);
    }

    check(path.subpath(0, path.size()) == path, "whole subpath differs", path);
    if (path.size() > 1)
    {
        const unsigned half = path.size() / 2;
        Kel::Path joined = path.subpath(0, half);
        joined /= path.subpath(half, path.size() - half);
        if (!has_dot_components(path))
            check(joined == path, "two subpaths joined differ", path);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    const std::string first_text = input.ConsumeRandomLengthString(512);
    const std::string second_text = input.ConsumeRemainingBytesAsString();

    const Kel::Path first(first_text);
    const Kel::Path second(second_text.c_str());
    check_normal(first);
    check_normal(second);

    const Kel::Path joined = first / second;
    check_normal(joined);
    if (second.is_absolute())
        check(joined == second, "joining an absolute path does not replace", joined);
    Kel::Path in_place(first);
    in_place /= second;
    check(in_place == joined, "/= and / differ", joined);
    // Joining a path onto itself reads the operand while changing it.
    Kel::Path self(first);
    const Kel::Path& alias = self;
    self /= alias;
    check_normal(self);

    const Kel::Path rel = Kel::relative(first, second);
    check_normal(rel);
    const bool both_absolute = first.is_absolute() && second.is_absolute();
    const bool both_plain = !first.is_absolute() && !second.is_absolute() && !has_dot_components(first)
        && !has_dot_components(second);
    if (both_absolute || both_plain)
        check(second / rel == first, "base / relative(path, base) is not path", rel);

    const std::string name = first_text;
    const std::string base = Kel::basename(name);
    check(base.find('/') == std::string::npos, "basename holds a separator", first);
    check(name.size() >= base.size() && name.compare(name.size() - base.size(), base.size(), base) == 0,
        "basename is not a tail", first);
    const Kel::Filename parts = Kel::splitext(name);
    check(parts.base + parts.ext == name, "splitext loses text", first);
    check(parts.ext.empty() || (parts.ext[0] == '.' && parts.ext.find('.', 1) == std::string::npos),
        "extension not from the last dot", first);
    return 0;
}
