#include "client/session/logwindow.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

void add(BackLog& log, int from, int to)
{
    for (int i = from; i < to; ++i)
        log.push_back(LogLine(LogLine::NORMAL, "12:00:00", "Bob", std::to_string(i)));
}

// What a display built from the window's ranges holds, as the lines' texts.
class Display
{
public:
    void replace(const BackLog& log, const LogWindow::Range& r)
    {
        texts.clear();
        append(log, r);
    }
    void append(const BackLog& log, const LogWindow::Range& r)
    {
        for (long p = r.first; p < r.end; ++p)
            texts.push_back(log.at(p).text);
    }
    void prepend(const BackLog& log, const LogWindow::Range& r)
    {
        std::vector<std::string> earlier;
        for (long p = r.first; p < r.end; ++p)
            earlier.push_back(log.at(p).text);
        texts.insert(texts.begin(), earlier.begin(), earlier.end());
    }
    void drop(std::size_t n) { texts.erase(texts.begin(), texts.begin() + n); }

    std::vector<std::string> texts;
};

std::vector<std::string> numbers(int from, int to)
{
    std::vector<std::string> texts;
    for (int i = from; i < to; ++i)
        texts.push_back(std::to_string(i));
    return texts;
}

} // namespace

// Past the limit the oldest lines go, down to a step, and come back at the
// top in order.
TEST(LogWindow, TrimKeepsTheNewestAndTheyComeBack)
{
    BackLog log;
    LogWindow window(10, 30);
    Display display;
    display.replace(log, window.show(log));
    EXPECT_TRUE(display.texts.empty());
    add(log, 0, 30);
    display.append(log, window.take_new(log));
    EXPECT_EQ(0u, window.trim()) << "at the limit";

    add(log, 30, 31);
    display.append(log, window.take_new(log));
    display.drop(window.trim());
    EXPECT_EQ(numbers(21, 31), display.texts);

    display.prepend(log, window.take_earlier(log));
    EXPECT_EQ(numbers(11, 31), display.texts);
}

// Lines restored before the first while a window is shown appear at the top
// like any earlier line; the held ones keep their place.
TEST(LogWindow, LinesAddedAtTheFrontComeInAtTheTop)
{
    BackLog log;
    add(log, 3, 8);
    LogWindow window(4, 8);
    Display display;
    display.replace(log, window.show(log));
    for (int i = 2; i >= 0; --i)
        log.push_front(LogLine(LogLine::NORMAL, "11:00:00", "Bob", std::to_string(i)));
    add(log, 8, 9);
    display.append(log, window.take_new(log));
    ASSERT_TRUE(window.has_earlier(log));
    display.prepend(log, window.take_earlier(log));
    display.prepend(log, window.take_earlier(log));
    EXPECT_EQ(numbers(0, 9), display.texts);
    EXPECT_FALSE(window.has_earlier(log));
}
