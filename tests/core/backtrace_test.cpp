#include "libs/core/source/debug/backtrace.h"

#include <gtest/gtest.h>

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

} // namespace
