#ifndef PARLANE_TESTS_DATAFILE_HELPERS_H
#define PARLANE_TESTS_DATAFILE_HELPERS_H

#include "libs/core/source/core/except.h"
#include "libs/datafile/source/except.h"
#include "libs/datafile/source/input.h"
#include "libs/datafile/source/statement.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <sstream>
#include <string>
#include <utility>

inline std::string bytes(std::initializer_list<int> list)
{
    return std::string(list.begin(), list.end());
}

// The message of the Kel::Exception that f throws, followed by " @source:line"
// for a ParseError and " [key]" for a KeyError; "no exception" if none.
template <class F> std::string thrown(F f)
{
    try
    {
        f();
    }
    catch (const Kel::Exception& e)
    {
        std::string text = e.what();
        if (auto p = dynamic_cast<const Kel::DataFile::ParseError*>(&e))
            text += " @" + p->get_source() + ":" + std::to_string(p->get_line());
        if (auto k = dynamic_cast<const Kel::KeyError*>(&e))
            text += " [" + k->get_key() + "]";
        return text;
    }
    return "no exception";
}

// Each input given to f, against the text expected back.
template <class F> void check(std::initializer_list<std::pair<std::string, std::string>> cases, F f)
{
    for (const auto& [in, out] : cases)
        EXPECT_EQ(out, f(in)) << in;
}

// f made into a function that returns what it throws.
template <class F> auto throwing(F f)
{
    return [f](const std::string& in) { return thrown([&] { f(in); }); };
}

// "keyword@line", each argument as its type letter (i f s b e) and text, then
// the sub-statements in braces. Every statement must come from the source "f".
inline std::string dump(const Kel::DataFile::Statement& st)
{
    EXPECT_EQ("f", st.source);
    std::string result = st.keyword + "@" + std::to_string(st.line);
    for (const Kel::DataFile::Value& v : st.args)
        result += std::string(" ") + "ifsbe"[v.get_type()] + v.get_raw();
    if (!st.sub.empty())
    {
        result += " {";
        for (const Kel::DataFile::Statement& sub : st.sub)
            result += " " + dump(sub) + ";";
        result += " }";
    }
    return result;
}

// Every statement that P makes of data (source "f"), dumped and joined by "; ".
template <class P> std::string parse_all(const std::string& data)
{
    std::istringstream stream(data);
    Kel::DataFile::Input in(stream);
    P parser(in, "f");
    std::string result;
    for (Kel::DataFile::Statement st = parser.parse(); st.valid; st = parser.parse())
        result += (result.empty() ? "" : "; ") + dump(st);
    return result;
}

#endif
