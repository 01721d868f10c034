#include "client/interpreter/completion.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace
{

const std::vector<std::string> NAMES = { "Bob", "Anna", "Mira Vell", "andre", "Anna Bell" };

} // namespace

TEST(Completion, CompletesTheReferenceBeforeTheCursor)
{
    // text, cursor, direction, result with "^" at the new cursor ("" when nothing is completed)
    const std::tuple<std::string, std::size_t, Completion::Direction, std::string> cases[] = {
        { "#an", 3, Completion::FORWARD, "#andre^" }, // ignoring case: andre, Anna, Anna_Bell
        { "#an", 3, Completion::BACKWARD, "#Anna_Bell^" },
        { "#anna_b", 7, Completion::FORWARD, "#Anna_Bell^" },
        { "see #b, #an", 6, Completion::FORWARD, "see #Bob^, #an" },
        { "an", 2, Completion::FORWARD, "" }, // no "#"
        { "#an x", 5, Completion::FORWARD, "" }, // the word at the cursor has none
        { "#zed", 4, Completion::FORWARD, "" },
        { "#an", 9, Completion::FORWARD, "" }, // a cursor past the end
    };
    for (auto [text, cursor, direction, result] : cases)
    {
        SCOPED_TRACE(text + " at " + std::to_string(cursor));
        const std::string before = text;
        const bool completed = Completion().complete(text, cursor, NAMES, direction);
        EXPECT_EQ(completed ? text.substr(0, cursor) + "^" + text.substr(cursor) : "", result);
        EXPECT_EQ(completed ? text : before, text);
    }
}

TEST(Completion, StepsThroughTheMatchesAndStartsAfreshOnChangedText)
{
    Completion completion;
    std::string text = "hi #an!";
    std::size_t cursor = 6;
    const std::pair<Completion::Direction, const char*> steps[] = {
        { Completion::FORWARD, "hi #andre!" },
        { Completion::FORWARD, "hi #Anna!" },
        { Completion::FORWARD, "hi #Anna_Bell!" },
        { Completion::FORWARD, "hi #andre!" },
        { Completion::BACKWARD, "hi #Anna_Bell!" },
    };
    for (const auto& [direction, expected] : steps)
    {
        ASSERT_TRUE(completion.complete(text, cursor, NAMES, direction));
        EXPECT_EQ(text, expected);
        EXPECT_EQ(cursor, text.size() - 1);
    }
    text += " and #b"; // typed after the completion
    cursor = text.size();
    ASSERT_TRUE(completion.complete(text, cursor, NAMES, Completion::FORWARD));
    EXPECT_EQ(text, "hi #Anna_Bell! and #Bob");
    // Erased back to "#an": the first match again, not the next one.
    text = "#an";
    cursor = 3;
    ASSERT_TRUE(completion.complete(text, cursor, NAMES, Completion::FORWARD));
    EXPECT_EQ(text, "#andre");
}
