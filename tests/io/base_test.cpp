#include "libs/io/source/base.h"

#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace Kel::IO;
using TestIO::FdObject;
using TestIO::Pipe;

TEST(Base, GetGivesBytesAsUnsigned)
{
    Pipe pipe;
    FdObject in(pipe.read_end);
    ASSERT_TRUE(pipe.put(std::string("\xff\x00\x41", 3)));
    pipe.close_write();
    EXPECT_EQ((std::vector<int> { in.get(), in.get(), in.get(), in.get() }),
        (std::vector<int> { 255, 0, 'A', -1 }));
    EXPECT_TRUE(in.eof());
}

TEST(Base, GetlineSplitsAtLineFeeds)
{
    const std::pair<std::string, std::vector<std::string>> cases[]
        = { { "", {} }, { "a", { "a" } }, { "\n\n", { "", "" } }, { "a\r\nb\n", { "a\r", "b" } },
              { std::string("x\0y\n", 4), { std::string("x\0y", 3) } } };
    for (const auto& [input, expected] : cases)
    {
        SCOPED_TRACE(input);
        Pipe pipe;
        FdObject in(pipe.read_end);
        ASSERT_TRUE(input.empty() || pipe.put(input));
        pipe.close_write();
        std::vector<std::string> lines;
        std::string line = "stale";
        while (in.getline(line))
            lines.push_back(line);
        EXPECT_EQ(lines, expected);
        EXPECT_EQ(line, "");
        EXPECT_FALSE(in.getline(line)); // stays at the end
    }
}

TEST(Base, DestroyedByInputHandlerGetsNoOnEvent)
{
    Pipe pipe;
    std::vector<std::string> log;
    FdObject* in = new FdObject(pipe.read_end);
    in->on_event_hook = [&](PollEvent) { log.push_back("on_event"); };
    in->signal_data_available.connect(
        [&]
        {
            log.push_back("data");
            delete in;
            log.push_back("handler goes on"); // its captures must still be there
        });
    in->signal_deleted.connect([&] { log.push_back("deleted"); });

    in->event(P_INPUT); // ASan reports a call on the deleted object
    EXPECT_EQ(log, (std::vector<std::string> { "data", "deleted", "handler goes on" }));
}

} // namespace
