#include "libs/path/source/path.h"

namespace Kel
{

std::string Path::Iterator::operator*() const
{
    if (start == END)
        return std::string();
    return path->path.substr(start, end == END ? END : end - start);
}

Path::Iterator& Path::Iterator::operator++()
{
    const std::string& s = path->path;
    if (start == END)
        return *this;

    start = end;
    if (start >= s.size())
    {
        start = END;
        end = END;
        return *this;
    }

    if (s[start] == DIRCHAR)
        ++start;
    end = s.find(DIRCHAR, start);
    if (end == std::string::npos)
        end = s.size();
    return *this;
}

Path::Iterator& Path::Iterator::operator--()
{
    const std::string& s = path->path;
    if (s.empty())
        return *this;

    if (start == END)
    {
        std::string::size_type slash = s.rfind(DIRCHAR);
        if (slash == std::string::npos)
            start = 0;
        else if (s.size() == 1)
            start = 0; // the root alone
        else
            start = slash + 1;
        end = s.size();
        return *this;
    }

    if (start == 0)
        return *this;

    // The component starts just after a slash; a slash at 0 is the root.
    std::string::size_type separator = start - 1;
    if (separator == 0)
    {
        start = 0;
        end = 1;
        return *this;
    }

    end = separator;
    std::string::size_type previous = s.rfind(DIRCHAR, separator - 1);
    start = previous == std::string::npos ? 0 : previous + 1;
    return *this;
}

bool Path::Iterator::operator==(const Iterator& other) const
{
    return start == other.start && end == other.end;
}

Path::Path(const std::string& text)
{
    if (text.empty())
        return;

    if (text[0] == DIRCHAR || text[0] == '\\')
        add_component("/");

    std::string::size_type i = 0;
    while (i < text.size())
    {
        std::string::size_type j = text.find_first_of("/\\", i);
        if (j == std::string::npos)
            j = text.size();
        if (j > i)
            add_component(text.substr(i, j - i));
        i = j + 1;
    }
}

Path::Path(const char* text): Path(std::string(text)) { }

Path& Path::operator/=(const Path& other)
{
    if (&other == this)
        return *this /= Path(other);

    if (other.is_absolute())
    {
        path = other.path;
        return *this;
    }

    for (Iterator i = other.begin(); i != other.end(); ++i)
        add_component(*i);
    return *this;
}

Path Path::operator/(const Path& other) const
{
    Path result(*this);
    result /= other;
    return result;
}

std::string Path::operator[](int i) const
{
    if (i < 0)
    {
        i += size();
        if (i < 0)
            return std::string();
    }

    Iterator it = begin();
    for (; i > 0 && it != end(); --i)
        ++it;
    return *it;
}

Path Path::subpath(unsigned start, unsigned count) const
{
    Path result;
    unsigned index = 0;
    for (Iterator i = begin(); i != end(); ++i, ++index)
    {
        if (index < start)
            continue;
        if (index - start >= count)
            break;
        result /= *i;
    }
    return result;
}

Path::Iterator Path::begin() const
{
    if (path.empty())
        return end();

    std::string::size_type first_end = is_absolute() ? 1 : path.find(DIRCHAR);
    if (first_end == std::string::npos)
        first_end = path.size();
    return Iterator(*this, 0, first_end);
}

Path::Iterator Path::end() const
{
    return Iterator(*this, Iterator::END, Iterator::END);
}

unsigned Path::size() const
{
    if (path.empty())
        return 0;
    if (path.size() == 1 && path[0] == DIRCHAR)
        return 1;

    unsigned slashes = 0;
    for (char c : path)
        if (c == DIRCHAR)
            ++slashes;
    return slashes + 1;
}

void Path::add_component(const std::string& component)
{
    if (component.empty())
        return;

    if (component == "/")
    {
        path = "/";
        return;
    }

    if (component == "..")
    {
        // "." is the current directory, so its parent is "..", not the
        // empty path that removing the "." would leave.
        // The root is its own parent.
        if (path.empty() || path == ".")
            path = "..";
        else if (path != "/")
        {
            std::string::size_type slash = path.rfind(DIRCHAR);
            std::string::size_type last = slash == std::string::npos ? 0 : slash + 1;
            if (path.compare(last, std::string::npos, "..") == 0)
                path += "/..";
            else if (slash == std::string::npos)
                path.clear();
            else if (slash == 0)
                path = "/";
            else
                path.erase(slash);
        }
        return;
    }

    if (component == "." && !path.empty())
        return;

    if (path == ".")
        path.clear();
    if (!path.empty() && path != "/")
        path += DIRCHAR;
    path += component;
}

} // namespace Kel
