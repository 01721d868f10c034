#include "client/ui/messagebox.h"

#include "tests/gui/fixture.h"

#include <gtest/gtest.h>

#include <string>

TEST(MessageBox, TextThatIsNotUtf8IsShownWithReplacementCharacters)
{
    GuiTest::parlane(); // starts the helper that answers the boxes
    GuiTest::MessageBoxes::take();
    GuiTest::ToolkitWarnings warnings;
    // Valid characters stay as they are; the zero byte must not end the text.
    message_box(std::string("na\xC3\xAFve caf\xE9 a\0b", 15), Gtk::MESSAGE_ERROR);
    EXPECT_EQ(GuiTest::Strings { "na\xC3\xAFve caf\xEF\xBF\xBD a\xEF\xBF\xBD"
                                 "b" },
        GuiTest::MessageBoxes::take());
    EXPECT_EQ(GuiTest::Strings {}, warnings.messages);
}
