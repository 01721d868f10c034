#include "libs/core/source/core/except.h"
#include "libs/core/source/debug/backtrace.h"
#include "libs/core/source/debug/demangle.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <typeinfo>

namespace
{

TEST(Backtrace, CreateRecordsTheCallersStack)
{
    Kel::Debug::Backtrace bt = Kel::Debug::Backtrace::create();
    const std::list<Kel::Debug::Backtrace::StackFrame>& frames = bt.get_frames();
    ASSERT_FALSE(frames.empty());
    for (const Kel::Debug::Backtrace::StackFrame& frame : frames)
        EXPECT_NE(nullptr, frame.address);
    // The innermost frame is in this test program.
    EXPECT_NE(std::string::npos, frames.front().file.find("core_tests")) << frames.front().file;
}

TEST(Demangle, ReadableNames)
{
    const std::pair<std::string, std::string> cases[] = { { typeid(Kel::KeyError).name(), "Kel::KeyError" },
        { "_ZN3Kel5Debug8demangleERKSs", "Kel::Debug::demangle(std::string const&)" },
        { "main", "main" } }; // not a mangled name: unchanged
    for (const auto& [symbol, text] : cases)
        EXPECT_EQ(text, Kel::Debug::demangle(symbol)) << symbol;
}

TEST(SystemError, AppendsTheErrorText)
{
    EXPECT_STREQ(
        "Cannot open x: No such file or directory", Kel::SystemError("Cannot open x", ENOENT).what());
    // An unknown error number still gives a text.
    EXPECT_EQ(std::string("poll: ") + std::strerror(99999), Kel::SystemError("poll", 99999).what());
}

} // namespace
