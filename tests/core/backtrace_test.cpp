#include "libs/core/source/debug/backtrace.h"

#include <gtest/gtest.h>

namespace {

TEST(Backtrace, CreateRecordsTheCallersStack)
{
    Kel::Debug::Backtrace bt = Kel::Debug::Backtrace::create();
    const std::list<Kel::Debug::Backtrace::StackFrame>& frames = bt.get_frames();
    ASSERT_FALSE(frames.empty());
    for (const Kel::Debug::Backtrace::StackFrame& frame: frames)
        EXPECT_NE(nullptr, frame.address);
    // The innermost frame is in this test program.
    EXPECT_NE(std::string::npos, frames.front().file.find("core_tests")) << frames.front().file;
}

TEST(Backtrace, KeepsGivenFramesInOrder)
{
    std::list<Kel::Debug::Backtrace::StackFrame> frames;
    frames.push_back({reinterpret_cast<void*>(0x10), "a.so", "f()"});
    frames.push_back({reinterpret_cast<void*>(0x20), "b.so", ""});
    Kel::Debug::Backtrace bt(frames);
    ASSERT_EQ(2u, bt.get_frames().size());
    EXPECT_EQ("a.so", bt.get_frames().front().file);
    EXPECT_EQ("", bt.get_frames().back().symbol);
    EXPECT_TRUE(Kel::Debug::Backtrace().get_frames().empty());
}

} // namespace
