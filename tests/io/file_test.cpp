#include "libs/io/source/file.h"

#include "libs/core/source/core/except.h"
#include "libs/path/source/utils.h"
#include "tests/io/fdobject.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

using namespace Kel::IO;
namespace IO = Kel::IO;
using TestIO::what_of;

class File: public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(mkdtemp(&dir[0]), nullptr); }
    void TearDown() override { Kel::rmdirs(dir); }

    std::string path(const std::string& name) const { return dir + "/" + name; }
    void create(const std::string& name, const std::string& content) const
    {
        std::ofstream(path(name), std::ios::binary) << content;
    }
    std::string contents(const std::string& name) const
    {
        std::ostringstream out;
        out << std::ifstream(path(name), std::ios::binary).rdbuf();
        return out.str();
    }

    std::string dir = "/tmp/kel_io_XXXXXX";
};

TEST_F(File, OpenFailures)
{
    const std::string missing = path("missing");
    auto open = [](const std::string& name, Mode mode, IO::File::CreateMode create)
    { return [=] { IO::File f(name, mode, create); }; };
    EXPECT_EQ(what_of<FileNotFound>(open(missing, M_READ, IO::File::C_NONE)), "Can't find file " + missing);
    // A read-only file ignores the create mode.
    EXPECT_EQ(what_of<FileNotFound>(open(missing, M_READ, IO::File::C_CREATE)), "Can't find file " + missing);
    EXPECT_EQ(what_of<Kel::SystemError>(open(dir, M_WRITE, IO::File::C_NONE)),
        Kel::SystemError::build_what("Can't open file '" + dir + "'", EISDIR));
    EXPECT_EQ(what_of<Kel::InvalidParameterValue>(open(missing, M_APPEND, IO::File::C_CREATE)),
        "Invalid read/write mode");
    EXPECT_EQ(what_of<Kel::InvalidParameterValue>(open(missing, M_WRITE, IO::File::CreateMode(4))),
        "Invalid create mode");
    EXPECT_FALSE(Kel::exists(missing));
}

TEST_F(File, CreateTruncateAndAppend)
{
    {
        IO::File f(path("f"), M_WRITE, IO::File::C_CREATE);
        EXPECT_EQ(f.write("hello"), 5u);
        EXPECT_EQ(f.get_events(), P_INPUT);
    }
    EXPECT_EQ(contents("f"), "hello");
    IO::File(path("f"), M_WRITE, IO::File::C_NONE).write("J");
    EXPECT_EQ(contents("f"), "Jello");
    {
        IO::File f(path("f"), M_WRITE | M_APPEND, IO::File::C_NONE);
        f.seek(0, S_BEG);
        f.write("!");
    }
    EXPECT_EQ(contents("f"), "Jello!");
    IO::File(path("f"), M_WRITE, IO::File::C_CREATE | IO::File::C_TRUNCATE);
    EXPECT_EQ(contents("f"), "");
}

TEST_F(File, EndOfFileSignalsEachTimeAndSeekClearsIt)
{
    create("f", "0123456789");
    IO::File f(path("f"), M_RDWR, IO::File::C_NONE);
    int ends = 0;
    f.signal_end_of_file.connect([&] { ++ends; });

    char buf[16];
    EXPECT_EQ(f.read(buf, 0), 0u);
    EXPECT_EQ(f.read(buf, sizeof(buf)), 10u);
    EXPECT_FALSE(f.eof());
    EXPECT_EQ(ends, 0);
    EXPECT_EQ(f.read(buf, sizeof(buf)), 0u);
    EXPECT_TRUE(f.eof());
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(f.get(), -1);
    EXPECT_EQ(ends, 2);
    std::string line;
    EXPECT_FALSE(f.getline(line));
    EXPECT_EQ(ends, 2); // getline does not read once eof() is set

    EXPECT_EQ(f.seek(3, S_BEG), 3);
    EXPECT_FALSE(f.eof());
    EXPECT_EQ(f.get(), '3');
    EXPECT_EQ(f.tell(), 4);
    EXPECT_EQ(f.seek(2, S_CUR), 6);
    EXPECT_EQ(f.seek(-1, S_END), 9);
    EXPECT_EQ(f.get(), '9');
    EXPECT_EQ(what_of<Kel::InvalidParameterValue>([&] { f.seek(0, SeekType(7)); }), "Invalid seek type");
    EXPECT_EQ(what_of<Kel::SystemError>([&] { f.seek(-1, S_BEG); }),
        Kel::SystemError::build_what("Seek failed", EINVAL));
    EXPECT_EQ(f.tell(), 10);
}

TEST_F(File, AccessChecks)
{
    create("f", "data");
    IO::File r(path("f"), M_READ, IO::File::C_NONE);
    IO::File w(path("f"), M_WRITE, IO::File::C_NONE);
    EXPECT_EQ(what_of<Kel::InvalidState>([&] { r.write("x"); }), "File is not writable");
    EXPECT_EQ(what_of<Kel::InvalidState>([&] { w.get(); }), "File is not readable");

    r.close();
    EXPECT_EQ(r.get_event_handle(), -1);
    char buf[4];
    const std::function<void()> after_close[] = { [&] { r.read(buf, 4); }, [&] { r.read(buf, 0); },
        [&] { r.write("x"); }, [&] { r.seek(0, S_BEG); }, [&] { r.tell(); }, [&] { r.set_block(false); } };
    for (const auto& action : after_close)
        EXPECT_EQ(what_of<Kel::InvalidState>(action), "File is not open");
}

// Closing emits its signals once; destruction closes first, then announces it.
TEST_F(File, CloseSignalsOnceInOrder)
{
    create("f", "");
    for (bool close_first : { true, false })
    {
        SCOPED_TRACE(close_first);
        std::vector<std::string> log;
        int fd;
        {
            IO::File f(path("f"), M_READ, IO::File::C_NONE);
            fd = f.get_event_handle();
            f.signal_events_changed.connect(
                [&](PollEvent e) { log.push_back("events " + std::to_string(e)); });
            f.signal_closing.connect([&] { log.push_back("closing"); });
            f.signal_closed.connect([&] { log.push_back("closed"); });
            f.signal_deleted.connect([&] { log.push_back("deleted"); });
            if (close_first)
            {
                f.close();
                f.close();
            }
            log.push_back("end of scope");
        }
        std::vector<std::string> expected = { "events 0", "closing", "closed", "deleted" };
        expected.insert(expected.begin() + (close_first ? 3 : 0), "end of scope");
        EXPECT_EQ(log, expected);
        EXPECT_EQ(fcntl(fd, F_GETFD), -1); // the descriptor was closed
    }
}

TEST_F(File, SetBlockKeepsOtherFlags)
{
    create("f", "");
    IO::File f(path("f"), M_WRITE | M_APPEND, IO::File::C_NONE);
    int fd = f.get_event_handle();
    f.set_block(false);
    EXPECT_EQ(fcntl(fd, F_GETFL) & (O_NONBLOCK | O_APPEND), O_NONBLOCK | O_APPEND);
    EXPECT_EQ(f.get_mode(), M_WRITE | M_APPEND | M_NONBLOCK);
    f.set_block(true);
    EXPECT_EQ(fcntl(fd, F_GETFL) & (O_NONBLOCK | O_APPEND), O_APPEND);
    EXPECT_EQ(f.get_mode(), M_WRITE | M_APPEND);
}

// A FIFO stands in for a non-blocking source that has nothing yet.
TEST_F(File, NonBlockingReadWithoutDataIsNotEnd)
{
    ASSERT_EQ(mkfifo(path("fifo").c_str(), 0600), 0);
    IO::File r(path("fifo"), M_READ | M_NONBLOCK, IO::File::C_NONE);
    IO::File w(path("fifo"), M_WRITE | M_NONBLOCK, IO::File::C_NONE);

    char buf[4];
    EXPECT_EQ(r.read(buf, sizeof(buf)), 0u);
    EXPECT_FALSE(r.eof());

    w.write("ab\ncd");
    std::string line;
    EXPECT_TRUE(r.getline(line));
    EXPECT_EQ(line, "ab");
    EXPECT_TRUE(r.getline(line)); // ran dry mid-line
    EXPECT_EQ(line, "cd");
    EXPECT_TRUE(r.getline(line)); // nothing yet, but not the end either
    EXPECT_EQ(line, "");
    EXPECT_FALSE(r.eof());

    w.close();
    EXPECT_FALSE(r.getline(line)); // no writer left: the end
    EXPECT_TRUE(r.eof());
}

} // namespace
