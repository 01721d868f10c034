#include "client/connectdialog.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/entry.h>

#include <string>

namespace
{

class ConnectDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        config.set_connect_host("chat.example.org:7000");
        config.set_connect_name("Carol");
    }

    Gtk::Entry& entry(const std::string& name) { return *GuiTest::find_widget<Gtk::Entry>(dialog, name); }

    // Answers the dialog after noting what it opened with and typing address
    // and name.
    void answer_with(int response, const std::string& address, const std::string& name)
    {
        GuiTest::respond_when_shown(dialog, response,
            [=]
            {
                shown = entry("ent_connect_address").get_text() + " " + entry("ent_connect_name").get_text();
                entry("ent_connect_address").set_text(address);
                entry("ent_connect_name").set_text(name);
            });
    }

    Config& config = parlane.get_config();
    ConnectDialog& dialog = *parlane.get_dlg_connect();
    std::string shown;
};

TEST_F(ConnectDialogTest, OpensWithTheStoredSettingsAndOkStoresTheTypedOnes)
{
    const struct
    {
        int response;
        const char *host, *name;
    } cases[] = {
        { Gtk::RESPONSE_CANCEL, "chat.example.org:7000", "Carol" },
        { Gtk::RESPONSE_OK, "127.0.0.1:7254", "Dave Stone" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.response);
        entry("ent_connect_address").set_text("left over");
        answer_with(c.response, "127.0.0.1:7254", "Dave Stone");
        EXPECT_EQ(c.response, dialog.run());
        dialog.hide();
        EXPECT_EQ("chat.example.org:7000 Carol", shown);
        EXPECT_EQ(c.host, config.get_connect_host());
        EXPECT_EQ(c.name, config.get_connect_name());
        EXPECT_EQ("127.0.0.1:7254", dialog.get_address());
        EXPECT_EQ("Dave Stone", dialog.get_name());
        config.set_connect_host("chat.example.org:7000");
        config.set_connect_name("Carol");
    }
}

TEST_F(ConnectDialogTest, SettingsAreStoredEvenWhenConnectingFails)
{
    // Port 1 on the loopback interface refuses at once.
    answer_with(Gtk::RESPONSE_OK, "127.0.0.1:1", "Erin");
    window.connect();
    EXPECT_FALSE(parlane.is_connected());
    GuiTest::Strings boxes = GuiTest::MessageBoxes::take();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find("refused")) << boxes[0];
    EXPECT_EQ("127.0.0.1:1", config.get_connect_host());
    EXPECT_EQ("Erin", config.get_connect_name());
}

TEST_F(ConnectDialogTest, UnreadableSettingsAreShownSafely)
{
    config.set_connect_name("Ren\xE9");
    answer_with(Gtk::RESPONSE_CANCEL, "x", "y");
    dialog.run();
    dialog.hide();
    EXPECT_EQ("chat.example.org:7000 Ren\xEF\xBF\xBD", shown);
}

} // namespace
