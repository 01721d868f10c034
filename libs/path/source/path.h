#ifndef KEL_PATH_PATH_H
#define KEL_PATH_PATH_H

#include <string>

namespace Kel
{

const char DIRCHAR = '/';

// A file-system path kept as one string in normal form: components joined by
// single slashes, no trailing slash, no "." component (unless the whole path
// is "."), and ".." only as leading components of a relative path. The root
// is "/"; the empty string is the empty path. Nothing here touches the disk.
class Path
{
public:
    // Walks the components of a path, the root "/" of an absolute path
    // being the first. The path must outlive the iterator.
    class Iterator
    {
    public:
        // Empty at the end.
        std::string operator*() const;
        Iterator& operator++();
        // From the end to the last component; the first component stays.
        Iterator& operator--();
        bool operator==(const Iterator& other) const;
        bool operator!=(const Iterator& other) const { return !(*this == other); }

    private:
        friend class Path;

        static const std::string::size_type END = std::string::npos;

        Iterator(const Path& p, std::string::size_type s, std::string::size_type e):
            path(&p), start(s), end(e)
        {
        }

        const Path* path; // not owned
        // Positions of the current component in the string; both END past
        // the last one.
        std::string::size_type start;
        std::string::size_type end;
    };

    Path() { }
    // Both slashes and backslashes separate components; "a/./b//c/" is
    // "a/b/c", "a/../b" is "b", "/a/.." is "/" and "x\y" is "x/y".
    Path(const std::string& text);
    Path(const char* text);

    // Joins other on: an absolute other replaces this path, otherwise its
    // components are added in turn, so "a/b" / "../c" is "a/c".
    Path& operator/=(const Path& other);
    Path operator/(const Path& other) const;
    bool operator==(const Path& other) const { return path == other.path; }
    bool operator!=(const Path& other) const { return path != other.path; }

    // Component i from the front (0 is "/" in an absolute path), or from the
    // back for negative i (-1 is the last). Out of range gives "".
    std::string operator[](int i) const;

    // At most count components from component start, joined; a subpath
    // that starts with the root is absolute.
    Path subpath(unsigned start, unsigned count) const;

    Iterator begin() const;
    Iterator end() const;

    const std::string& str() const { return path; }
    bool empty() const { return path.empty(); }
    bool is_absolute() const { return !path.empty() && path[0] == DIRCHAR; }
    // The root counts as a component: "/a/b" has 3, "/" 1, "" 0.
    unsigned size() const;

private:
    void add_component(const std::string& component);

    std::string path;
};

} // namespace Kel

#endif
