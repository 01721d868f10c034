#include "libs/path/source/utils.h"
#include "libs/core/source/core/except.h"
#include "libs/strings/source/utils.h"

#include <cerrno>

#include <dirent.h>
#include <fnmatch.h>
#include <unistd.h>

namespace Kel
{

namespace
{

std::list<std::string> list_names(const std::string& dir)
{
    std::list<std::string> names;

    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return names;

    while (const dirent* entry = ::readdir(d))
    {
        std::string name = entry->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    ::closedir(d);

    return names;
}

} // namespace

Path getcwd()
{
    char buf[1024];
    if (!::getcwd(buf, sizeof(buf)))
        throw SystemError("getcwd failed", errno);
    return Path(buf);
}

int stat(const Path& path, struct stat& st)
{
    return ::stat(path.str().c_str(), &st);
}

struct stat stat(const Path& path)
{
    struct stat st;
    if (::stat(path.str().c_str(), &st) < 0)
        throw SystemError("stat failed", errno);
    return st;
}

bool exists(const Path& path)
{
    return ::access(path.str().c_str(), F_OK) == 0;
}

std::list<std::string> list_files(const Path& dir)
{
    return list_names(dir.str());
}

void unlink(const Path& path)
{
    if (::unlink(path.str().c_str()) < 0)
        throw SystemError("unlink failed", errno);
}

void rmdir(const Path& path)
{
    if (::rmdir(path.str().c_str()) < 0)
        throw SystemError("rmdir failed", errno);
}

void mkdir(const Path& path, int mode)
{
    if (::mkdir(path.str().c_str(), mode) < 0)
        throw SystemError("mkdir failed", errno);
}

namespace
{

// Works on plain strings: a name on the disk may hold a backslash, which
// Path would take for a separator (a file called "..\x" would then point
// outside the tree).
void remove_tree(const std::string& dir)
{
    for (const std::string& name : list_names(dir))
    {
        std::string entry = dir == "/" ? dir + name : dir + DIRCHAR + name;
        // lstat: following a link to a directory elsewhere would empty it.
        struct stat st;
        if (::lstat(entry.c_str(), &st) < 0)
            throw SystemError("stat failed", errno);
        if (S_ISDIR(st.st_mode))
            remove_tree(entry);
        else if (::unlink(entry.c_str()) < 0)
            throw SystemError("unlink failed", errno);
    }
    if (::rmdir(dir.c_str()) < 0)
        throw SystemError("rmdir failed", errno);
}

} // namespace

void rmdirs(const Path& dir)
{
    remove_tree(dir.str());
}

void mkpath(const Path& path, int mode)
{
    Path partial;
    for (Path::Iterator i = path.begin(); i != path.end(); ++i)
    {
        partial /= *i;

        struct stat st;
        if (stat(partial, st) < 0)
        {
            int err = errno;
            if (err != ENOENT)
                throw SystemError("stat failed", err);
            mkdir(partial, mode);
        }
        else if (!S_ISDIR(st.st_mode))
            throw Exception("A component exists and is not a directory");
    }
}

Path relative(const Path& path, const Path& base)
{
    Path::Iterator i = path.begin();
    Path::Iterator j = base.begin();
    while (i != path.end() && j != base.end() && *i == *j)
    {
        ++i;
        ++j;
    }

    Path result;
    for (; j != base.end(); ++j)
        result /= "..";
    for (; i != path.end(); ++i)
        result /= *i;
    return result;
}

Path fix_case(const Path& path)
{
    Path result;
    bool matching = true;
    for (Path::Iterator i = path.begin(); i != path.end(); ++i)
    {
        std::string component = *i;
        if (matching && component != "/")
        {
            std::list<std::string> names = list_files(result.empty() ? Path(".") : result);
            const std::string* found = nullptr;
            for (const std::string& name : names)
            {
                if (name == component)
                {
                    found = &name;
                    break;
                }
                if (!found && strcasecmp(name, component) == 0)
                    found = &name;
            }
            if (found)
                component = *found;
            else
                matching = false;
        }
        result /= component;
    }
    return result;
}

int fnmatch(const std::string& pattern, const Path& path)
{
    return ::fnmatch(pattern.c_str(), path.str().c_str(), FNM_NOESCAPE);
}

std::string basename(const std::string& name)
{
    std::string::size_type slash = name.rfind(DIRCHAR);
    if (slash == std::string::npos)
        return name;
    return name.substr(slash + 1);
}

Filename splitext(const std::string& name)
{
    Filename result;
    std::string::size_type dot = name.rfind('.');
    if (dot == std::string::npos)
        result.base = name;
    else
    {
        result.base = name.substr(0, dot);
        result.ext = name.substr(dot);
    }
    return result;
}

} // namespace Kel
