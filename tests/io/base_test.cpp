#include "libs/io/source/base.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

using namespace Kel::IO;

// Reads from a string in chunks of at most `chunk` bytes. When `dry` is set
// it acts like a non-blocking object with nothing more yet: reads give 0
// without reaching the end.
class Memory: public Base
{
public:
    explicit Memory(const std::string& input): input(input) { }

    void want(PollEvent e) { set_events(e); }
    int get_event_handle() override { return -1; }

    std::string input;
    std::string written;
    std::size_t pos = 0;
    std::size_t chunk = 1 << 20;
    bool dry = false;
    std::vector<PollEvent> delivered;
    std::vector<std::string>* log = nullptr;

protected:
    void on_event(PollEvent ev) override
    {
        delivered.push_back(ev);
        if (log)
            log->push_back("on_event");
    }

    unsigned do_write(const char* buf, unsigned size) override
    {
        unsigned n = std::min<std::size_t>(size, chunk);
        written.append(buf, n);
        return n;
    }

    unsigned do_read(char* buf, unsigned size) override
    {
        unsigned n = std::min({ std::size_t(size), chunk, input.size() - pos });
        if (n == 0 && !dry && size > 0)
            eof_flag = true;
        input.copy(buf, n, pos);
        pos += n;
        return n;
    }
};

TEST(Base, GetReturnsBytesAsUnsigned)
{
    Memory m(std::string("\xff\x00\x41", 3));
    EXPECT_EQ(m.get(), 255);
    EXPECT_EQ(m.get(), 0);
    EXPECT_EQ(m.get(), 'A');
    EXPECT_EQ(m.get(), -1);
    EXPECT_TRUE(m.eof());
}

TEST(Base, GetlineSplitsAtLineFeeds)
{
    struct Case
    {
        std::string input;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        { "", {} },
        { "a", { "a" } },
        { "a\n", { "a" } },
        { "a\nb", { "a", "b" } },
        { "\n\n", { "", "" } },
        { "a\r\nb\n", { "a\r", "b" } },
        { std::string("x\0y\n", 4), { std::string("x\0y", 3) } },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.input);
        Memory m(c.input);
        std::vector<std::string> lines;
        std::string line = "stale";
        while (m.getline(line))
            lines.push_back(line);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(line, "");
        EXPECT_FALSE(m.getline(line)); // stays at the end
    }
}

TEST(Base, GetlineGivesPartialLineWhenDry)
{
    Memory m("abc");
    m.dry = true;
    std::string line;
    EXPECT_TRUE(m.getline(line));
    EXPECT_EQ(line, "abc");
    EXPECT_FALSE(m.eof());

    EXPECT_TRUE(m.getline(line)); // nothing yet, but not the end either
    EXPECT_EQ(line, "");
}

TEST(Base, WriteForwardsShortCounts)
{
    Memory m("");
    m.chunk = 2;
    EXPECT_EQ(m.write("hello", 5), 2u);
    EXPECT_EQ(m.write(std::string("xyz")), 2u);
    EXPECT_EQ(m.put('!'), 1u);
    EXPECT_EQ(m.written, "hexy!");
}

TEST(Base, SetEventsAlwaysSignals)
{
    Memory m("");
    std::vector<PollEvent> seen;
    m.signal_events_changed.connect([&](PollEvent e) { seen.push_back(e); });
    m.want(P_INPUT);
    m.want(P_INPUT);
    m.want(P_INPUT | P_OUTPUT);
    EXPECT_EQ(seen, (std::vector<PollEvent> { P_INPUT, P_INPUT, P_INPUT | P_OUTPUT }));
    EXPECT_EQ(m.get_events(), P_INPUT | P_OUTPUT);
}

TEST(Base, EventSignalsInputBeforeOnEvent)
{
    std::vector<std::string> log;
    Memory m("");
    m.log = &log;
    m.signal_data_available.connect([&] { log.push_back("data"); });

    m.event(P_INPUT | P_OUTPUT);
    EXPECT_EQ(log, (std::vector<std::string> { "data", "on_event" }));

    log.clear();
    m.event(P_OUTPUT);
    m.event(P_NONE);
    EXPECT_EQ(log, (std::vector<std::string> { "on_event", "on_event" }));
    EXPECT_EQ(m.delivered, (std::vector<PollEvent> { P_INPUT | P_OUTPUT, P_OUTPUT, P_NONE }));
}

TEST(Base, DestroyedByInputHandlerGetsNoOnEvent)
{
    std::vector<std::string> log;
    Memory* m = new Memory("");
    m->log = &log;
    m->signal_data_available.connect(
        [&]
        {
            log.push_back("data");
            delete m;
            log.push_back("handler goes on"); // its captures must still be there
        });
    m->signal_deleted.connect([&] { log.push_back("deleted"); });

    m->event(P_INPUT); // ASan reports a call on the deleted object
    EXPECT_EQ(log, (std::vector<std::string> { "data", "deleted", "handler goes on" }));
}

} // namespace
