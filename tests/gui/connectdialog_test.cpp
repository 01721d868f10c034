#include "client/connectdialog.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/entry.h>

#include <string>

namespace
{

class ConnectDialogTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
        config.set_connect_host("chat.example.org:7000");
        config.set_connect_name("Carol");
    }

    Gtk::Entry& entry(const std::string& name) { return *GuiTest::find_widget<Gtk::Entry>(dialog, name); }

    Parlane& parlane = GuiTest::parlane();
    Config& config = parlane.get_config();
    ConnectDialog& dialog = *parlane.get_dlg_connect();
};

TEST_F(ConnectDialogTest, OpensWithTheLastServerAndName)
{
    entry("ent_connect_address").set_text("left over");
    std::string address, name;
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_CANCEL,
        [&]
        {
            address = entry("ent_connect_address").get_text();
            name = entry("ent_connect_name").get_text();
        });
    EXPECT_EQ(Gtk::RESPONSE_CANCEL, dialog.run());
    dialog.hide();
    EXPECT_EQ("chat.example.org:7000", address);
    EXPECT_EQ("Carol", name);
}

TEST_F(ConnectDialogTest, OkStoresServerAndNameCancelDoesNot)
{
    struct Case
    {
        int response;
        const char* host;
        const char* name;
    } cases[] = {
        { Gtk::RESPONSE_CANCEL, "chat.example.org:7000", "Carol" },
        { Gtk::RESPONSE_OK, "127.0.0.1:7254", "Dave Stone" },
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.response);
        GuiTest::respond_when_shown(dialog, c.response,
            [&]
            {
                entry("ent_connect_address").set_text("127.0.0.1:7254");
                entry("ent_connect_name").set_text("Dave Stone");
            });
        EXPECT_EQ(c.response, dialog.run());
        dialog.hide();
        EXPECT_EQ(c.host, config.get_connect_host());
        EXPECT_EQ(c.name, config.get_connect_name());
        EXPECT_EQ("127.0.0.1:7254", dialog.get_address());
        EXPECT_EQ("Dave Stone", dialog.get_name());
    }
}

TEST_F(ConnectDialogTest, SettingsAreStoredEvenWhenConnectingFails)
{
    // Port 1 on the loopback interface refuses at once.
    GuiTest::respond_when_shown(dialog, Gtk::RESPONSE_OK,
        [&]
        {
            entry("ent_connect_address").set_text("127.0.0.1:1");
            entry("ent_connect_name").set_text("Erin");
        });
    parlane.get_main_window()->connect();
    EXPECT_FALSE(parlane.is_connected());
    EXPECT_EQ(1u, GuiTest::MessageBoxes::take().size()) << "one error box";
    EXPECT_EQ("127.0.0.1:1", config.get_connect_host());
    EXPECT_EQ("Erin", config.get_connect_name());
}

TEST_F(ConnectDialogTest, UnreadableSettingsAreShownSafely)
{
    config.set_connect_name("Ren\xE9");
    std::string name;
    GuiTest::respond_when_shown(
        dialog, Gtk::RESPONSE_CANCEL, [&] { name = entry("ent_connect_name").get_text(); });
    dialog.run();
    dialog.hide();
    EXPECT_EQ("Ren\xEF\xBF\xBD", name);
}

} // namespace
