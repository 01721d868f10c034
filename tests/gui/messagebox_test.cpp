#include "client/messagebox.h"

#include "tests/gui/fixture.h"
#include "tests/gui/toolkitwarnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(MessageBox, TextThatIsNotUtf8IsShownWithReplacementCharacters)
{
    // Starts the helper that answers the boxes.
    GuiTest::parlane();
    GuiTest::MessageBoxes::take();

    const struct
    {
        std::string text;
        std::string shown;
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
        EXPECT_EQ(std::vector<std::string> { c.shown }, GuiTest::MessageBoxes::take());
        EXPECT_EQ(std::vector<std::string> {}, warnings.messages);
    }
}
