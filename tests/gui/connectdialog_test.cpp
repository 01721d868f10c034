#include "client/ui/connectdialog.h"

#include "client/ui/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

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
        config.set_connect_name("Car\xE9l"); // not UTF-8: shown with U+FFFD, kept as it is
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
    ConnectDialog& dialog = *window.get_dlg_connect();
    std::string shown;
};

TEST_F(ConnectDialogTest, OpensWithTheStoredSettingsAndOkStoresTheTypedOnesAndConnects)
{
    for (int response : { Gtk::RESPONSE_CANCEL, Gtk::RESPONSE_OK })
    {
        SCOPED_TRACE(response);
        bool ok = response == Gtk::RESPONSE_OK;
        entry("ent_connect_address").set_text("left over");
        answer_with(response, server.get_address(), "Dave Stone");
        window.connect();
        EXPECT_FALSE(dialog.get_visible());
        EXPECT_EQ("chat.example.org:7000 Car\xEF\xBF\xBDl", shown);
        EXPECT_EQ(ok ? server.get_address() : "chat.example.org:7000", config.get_connect_host());
        EXPECT_EQ(ok ? "Dave Stone" : "Car\xE9l", config.get_connect_name());
        EXPECT_EQ(ok, parlane.is_connected());
    }
    Packet name;
    ASSERT_TRUE(server.wait_for("NAME", name));
    EXPECT_EQ(";NAME;Dave Stone", name.str());
    EXPECT_EQ("Dave Stone", GuiTest::find_widget<Gtk::Label>(window, "lbl_name")->get_text());
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

} // namespace
