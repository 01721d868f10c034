#ifndef PARLANE_FUZZ_DATAFILE_WALK_H
#define PARLANE_FUZZ_DATAFILE_WALK_H

// Shared by the data-file fuzz targets: reads a whole input through the
// front end the way a loader does, and reads every argument back as each
// type a loader may ask for. Only Kel::Exception may come out of it.

#include "libs/datafile/source/parser.h"

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/statement.h"

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

namespace FuzzDataFile
{

inline void check(bool condition, const char* what)
{
    if (!condition)
    {
        std::cerr << "DataFile: " << what << std::endl;
        std::abort();
    }
}

template <typename T> void try_get(const Kel::DataFile::Value& value)
{
    try
    {
        value.get<T>();
    }
    catch (const Kel::Exception&)
    {
    }
}

inline void read_values(const Kel::DataFile::Statement& st, unsigned depth)
{
    check(st.valid, "invalid statement inside a valid one");
    check(depth <= 1024, "statements nested without bound");
    for (const Kel::DataFile::Value& value : st.args)
    {
        try_get<const std::string&>(value);
        try_get<std::string>(value);
        try_get<bool>(value);
        try_get<long long>(value);
        try_get<int>(value);
        try_get<unsigned int>(value);
        try_get<float>(value);
    }
    for (const Kel::DataFile::Statement& sub : st.sub)
        read_values(sub, depth + 1);
}

inline void parse_all(const std::string& text)
{
    std::istringstream in(text);
    Kel::DataFile::Parser parser(in, "fuzz");
    // Each statement takes at least one byte, so the input bounds the loop.
    for (std::size_t n = 0; n <= text.size() + 1 && parser; ++n)
    {
        try
        {
            Kel::DataFile::Statement st = parser.parse();
            if (!st.valid)
                return;
            check(st.keyword != "__bin" && st.keyword != "__text", "mode switch returned");
            read_values(st, 0);
        }
        catch (const Kel::Exception&)
        {
            check(!parser, "parser still good after an error");
            try
            {
                parser.parse();
                check(false, "parse after an error did not throw");
            }
            catch (const Kel::Exception& e)
            {
                check(std::string(e.what()) == "Parser is not good", "wrong message after an error");
            }
            return;
        }
    }
}

} // namespace FuzzDataFile

#endif
