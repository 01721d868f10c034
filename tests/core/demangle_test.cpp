#include "libs/core/source/debug/demangle.h"

#include "libs/core/source/core/except.h"

#include <gtest/gtest.h>

#include <typeinfo>

namespace
{

TEST(Demangle, ReadableNames)
{
    const std::pair<std::string, std::string> cases[] = { { typeid(Kel::KeyError).name(), "Kel::KeyError" },
        { "N3Kel2IO12FileNotFoundE", "Kel::IO::FileNotFound" },
        { "_ZN3Kel5Debug8demangleERKSs", "Kel::Debug::demangle(std::string const&)" },
        { "_Z3fooii", "foo(int, int)" },
        // Not mangled names: unchanged.
        { "main", "main" }, { "_Z", "_Z" }, { "N3Kel8KeyError", "N3Kel8KeyError" } };
    for (const auto& [symbol, text] : cases)
        EXPECT_EQ(text, Kel::Debug::demangle(symbol)) << symbol;
}

} // namespace
