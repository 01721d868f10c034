#ifndef KEL_PATH_UTILS_H
#define KEL_PATH_UTILS_H

#include "libs/path/source/path.h"

#include <list>
#include <string>

#include <sys/stat.h>

namespace Kel
{

// A file name cut at its last dot: "archive.tar.gz" gives base
// "archive.tar" and ext ".gz".
struct Filename
{
    std::string base;
    std::string ext; // with the dot; empty when there is no dot
};

// The current directory. Throws SystemError "getcwd failed", for example
// when it is longer than 1023 bytes.
Path getcwd();

// The platform stat: returns 0 or -1 with errno set; never throws.
int stat(const Path& path, struct stat& st);
// Throws SystemError "stat failed".
struct stat stat(const Path& path);

bool exists(const Path& path);

// The names in dir in the platform's order, without "." and ".." but with
// other names that begin with a dot. A directory that cannot be read gives
// an empty list.
std::list<std::string> list_files(const Path& dir);

// Throw SystemError "unlink failed", "rmdir failed" and "mkdir failed".
void unlink(const Path& path);
void rmdir(const Path& path);
void mkdir(const Path& path, int mode);

// Removes dir and everything below it. A symbolic link is removed itself,
// never followed.
void rmdirs(const Path& dir);

// Creates every missing directory along path with the permission bits mode;
// existing directories are passed over. Throws Kel::Exception "A component
// exists and is not a directory", SystemError "stat failed" or "mkdir
// failed".
void mkpath(const Path& path, int mode);

// path seen from base: "/a/b/c" relative to "/a/d" is "../b/c".
Path relative(const Path& path, const Path& base);

// path with each component spelt as on the disk, matched ignoring case; an
// exact match wins. From the first component that has no match on, the
// rest are taken as given.
Path fix_case(const Path& path);

// The platform fnmatch with FNM_NOESCAPE: 0 on a match.
int fnmatch(const std::string& pattern, const Path& path);

// The text after the last slash: "a/b.txt" gives "b.txt", "a/" gives "".
std::string basename(const std::string& name);

// The last dot anywhere counts: "a.d/b" gives base "a" and ext ".d/b".
Filename splitext(const std::string& name);

} // namespace Kel

#endif
