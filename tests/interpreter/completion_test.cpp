#include "client/interpreter/completion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{

const std::vector<std::string> NAMES = { "Bob", "Anna", "Mira Vell", "andre", "Anna Bell" };

} // namespace

TEST(Completion, CompletesTheReferenceBeforeTheCursor)
{
    struct Case
    {
        std::string text;
        std::size_t cursor;
        Completion::Direction direction;
        bool completed;
        std::string result;
        std::size_t result_cursor;
    };
    const Case cases[] = {
        { "#an", 3, Completion::FORWARD, true, "#andre", 6 }, // ignoring case: andre, Anna, Anna_Bell
        { "#an", 3, Completion::BACKWARD, true, "#Anna_Bell", 10 },
        { "hi #ANN", 7, Completion::FORWARD, true, "hi #Anna", 8 },
        { "#mi", 3, Completion::FORWARD, true, "#Mira_Vell", 10 },
        { "#anna_b", 7, Completion::FORWARD, true, "#Anna_Bell", 10 },
        { "#bo and more", 3, Completion::FORWARD, true, "#Bob and more", 4 },
        { "see #b, #an", 6, Completion::FORWARD, true, "see #Bob, #an", 8 },
        { "an", 2, Completion::FORWARD, false, "an", 2 }, // no "#"
        { "#an x", 5, Completion::FORWARD, false, "#an x", 5 }, // the word at the cursor has none
        { "#zed", 4, Completion::FORWARD, false, "#zed", 4 }, // no such name
        { "#an", 9, Completion::FORWARD, false, "#an", 9 }, // a cursor past the end
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text + " at " + std::to_string(c.cursor));
        Completion completion;
        std::string text = c.text;
        std::size_t cursor = c.cursor;
        EXPECT_EQ(completion.complete(text, cursor, NAMES, c.direction), c.completed);
        EXPECT_EQ(text, c.result);
        EXPECT_EQ(cursor, c.result_cursor);
    }
}

TEST(Completion, StepsThroughTheMatchesAndWrapsAround)
{
    Completion completion;
    std::string text = "hi #an!";
    std::size_t cursor = 6;
    struct Step
    {
        Completion::Direction direction;
        const char* expected;
    };
    const Step steps[] = {
        { Completion::FORWARD, "hi #andre!" },
        { Completion::FORWARD, "hi #Anna!" },
        { Completion::FORWARD, "hi #Anna_Bell!" },
        { Completion::FORWARD, "hi #andre!" },
        { Completion::BACKWARD, "hi #Anna_Bell!" },
        { Completion::BACKWARD, "hi #Anna!" },
    };
    for (const Step& step : steps)
    {
        SCOPED_TRACE(step.expected);
        ASSERT_TRUE(completion.complete(text, cursor, NAMES, step.direction));
        EXPECT_EQ(text, step.expected);
        EXPECT_EQ(cursor, text.size() - 1);
    }
}

TEST(Completion, ChangedTextStartsAfresh)
{
    Completion completion;
    std::string text = "#an";
    std::size_t cursor = 3;
    ASSERT_TRUE(completion.complete(text, cursor, NAMES, Completion::FORWARD));
    ASSERT_EQ(text, "#andre");
    text += " and #b"; // typed after the completion
    cursor = text.size();
    ASSERT_TRUE(completion.complete(text, cursor, NAMES, Completion::FORWARD));
    EXPECT_EQ(text, "#andre and #Bob");

    // Erased back to "#an": the first match again, not the next one.
    text = "#an";
    cursor = 3;
    ASSERT_TRUE(completion.complete(text, cursor, NAMES, Completion::FORWARD));
    EXPECT_EQ(text, "#andre");
}
