#include "client/messagebox.h"

#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <string>

TEST(MessageBox, TextThatIsNotUtf8IsShownWithReplacementCharacters)
{
    GuiTest::parlane(); // starts the helper that answers the boxes
    GuiTest::MessageBoxes::take();
    const struct
    {
        std::string text, shown;
    } cases[] = {
        { "Only the game master may do that", "Only the game master may do that" },
        { "na\xC3\xAFve \xE2\x82\xAC", "na\xC3\xAFve \xE2\x82\xAC" },
        { "caf\xE9", "caf\xEF\xBF\xBD" },
        { "\xFF\xFE", "\xEF\xBF\xBD\xEF\xBF\xBD" },
        { "cut \xE2\x82", "cut \xEF\xBF\xBD\xEF\xBF\xBD" },
        { std::string("a\0b", 3),
            "a\xEF\xBF\xBD"
            "b" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        GuiTest::ToolkitWarnings warnings;
        message_box(c.text, Gtk::MESSAGE_ERROR);
        EXPECT_EQ(GuiTest::Strings { c.shown }, GuiTest::MessageBoxes::take());
        EXPECT_EQ(GuiTest::Strings {}, warnings.messages);
    }
}
