#include "client/ui/toolkitpump.h"

#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"
#include "tests/gui/fixture.h"
#include "tests/io/fdobject.h"

#include <gdk/gdk.h>
#include <glibmm/main.h>
#include <gtest/gtest.h>
#include <gtkmm/main.h>

#include <string>
#include <vector>

namespace
{

using Kel::Time::msec;
using Strings = std::vector<std::string>;

class ToolkitPumpTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        GuiTest::parlane(); // the toolkit, initialised once per process
        while (Gtk::Main::events_pending())
            Gtk::Main::iteration(false);
    }

    void TearDown() override
    {
        for (sigc::connection& c : sources)
            c.disconnect();
    }

    // A source that records its name when it runs, once.
    void idle(const std::string& name, int priority)
    {
        sources.push_back(Glib::signal_idle().connect(
            [this, name] { ran.push_back(name); return false; }, priority));
    }

    ToolkitPump pump;
    Strings ran;
    std::vector<sigc::connection> sources;
};

TEST_F(ToolkitPumpTest, ForegroundDrainLeavesBackgroundWorkQueued)
{
    idle("background", G_PRIORITY_DEFAULT_IDLE);
    idle("layout", GDK_PRIORITY_REDRAW + 5);
    idle("redraw", GDK_PRIORITY_REDRAW);
    idle("resize", G_PRIORITY_HIGH_IDLE + 10);
    sources.push_back(Glib::signal_timeout().connect([this] { ran.push_back("timer"); return false; }, 0));

    EXPECT_TRUE(pump.drain_foreground());
    EXPECT_EQ((Strings { "timer", "resize", "redraw" }), ran);
    EXPECT_FALSE(pump.drain_foreground()) << "nothing in the foreground is left";

    EXPECT_TRUE(pump.drain(Kel::Time::sec));
    EXPECT_EQ((Strings { "timer", "resize", "redraw", "layout", "background" }), ran);
    EXPECT_FALSE(Gtk::Main::events_pending());
}

TEST_F(ToolkitPumpTest, DrainStopsWhenItsTimeIsUsedUp)
{
    int rounds = 0;
    sources.push_back(Glib::signal_idle().connect([&] { ++rounds; return true; }));
    EXPECT_TRUE(pump.drain(Kel::Time::zero));
    EXPECT_EQ(1, rounds) << "one round at least, and no more";

    Kel::Time::TimeStamp start = Kel::Time::now();
    pump.drain(20 * msec);
    EXPECT_LT(Kel::Time::now() - start, 5 * Kel::Time::sec) << "endless work does not hold the turn";
    EXPECT_GT(rounds, 1);
}

// A handler that runs a dialog's loop must neither spin in it nor starve it.
TEST_F(ToolkitPumpTest, NestedLoopInTheForegroundEnds)
{
    bool quit_by_idle = false;
    sources.push_back(Glib::signal_timeout().connect(
        [&]
        {
            Glib::RefPtr<Glib::MainLoop> loop = Glib::MainLoop::create();
            sigc::connection idle = Glib::signal_idle().connect(
                [&]
                {
                    quit_by_idle = true;
                    loop->quit();
                    return false;
                });
            sigc::connection guard = Glib::signal_timeout().connect([&] { loop->quit(); return false; }, 5000);
            loop->run();
            idle.disconnect();
            guard.disconnect();
            return false;
        },
        0));
    pump.drain_foreground();
    EXPECT_TRUE(quit_by_idle) << "background work runs inside the dialog's loop";
}

TEST_F(ToolkitPumpTest, WaitEndsWhenADispatcherObjectIsReady)
{
    TestIO::Pipe pipe;
    TestIO::FdObject in(pipe.read_end);
    Kel::IO::EventDispatcher disp;
    disp.add(in);

    // The test process keeps a 5 ms timer of its own, which ends waits too.
    Kel::Time::TimeStamp start = Kel::Time::now();
    int waits = 0;
    for (; Kel::Time::now() - start < 50 * msec; ++waits)
        pump.wait(disp, 30 * msec);
    EXPECT_LT(waits, 40) << "an empty pipe does not end the wait";

    ASSERT_TRUE(pipe.put("x"));
    start = Kel::Time::now();
    pump.wait(disp, 10 * Kel::Time::sec);
    EXPECT_LT(Kel::Time::now() - start, 5 * Kel::Time::sec);
    EXPECT_TRUE(in.delivered.empty()) << "the dispatcher delivers, not the wait";
}

// The test process's own 5 ms timer may end a wait first, so each check
// waits a few rounds; every round returns long before its limit.
TEST_F(ToolkitPumpTest, WaitRunsTheToolkitSourceThatEndsIt)
{
    Kel::IO::EventDispatcher disp;
    auto wait_until_ran = [&](const std::string& name)
    {
        Kel::Time::TimeStamp start = Kel::Time::now();
        for (int round = 0; round < 100 && (ran.empty() || ran.back() != name); ++round)
            pump.wait(disp, 10 * Kel::Time::sec);
        EXPECT_LT(Kel::Time::now() - start, 5 * Kel::Time::sec) << name;
    };
    sources.push_back(Glib::signal_timeout().connect([this] { ran.push_back("timer"); return false; }, 5));
    wait_until_ran("timer");
    idle("ready", G_PRIORITY_DEFAULT_IDLE);
    wait_until_ran("ready");
    EXPECT_EQ((Strings { "timer", "ready" }), ran);
}

} // namespace
