#include "client/biographydialog.h"

#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/label.h>
#include <gtkmm/textview.h>

#include <string>

using GuiTest::TestServer;

namespace
{

class BiographyDialogTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        parlane.disconnect();
        GuiTest::MessageBoxes::take();
    }

    void TearDown() override { dialog.hide(); }

    void login(const std::string& user) { ASSERT_TRUE(server.log_in(user)); }

    std::string title() { return GuiTest::find_widget<Gtk::Label>(dialog, "lbl_edit_bio_title")->get_text(); }
    Glib::RefPtr<Gtk::TextBuffer> buffer()
    {
        return GuiTest::find_widget<Gtk::TextView>(dialog, "txt_edit_biography")->get_buffer();
    }
    std::string text() { return buffer()->get_text(); }

    Parlane& parlane = GuiTest::parlane();
    BiographyDialog& dialog = *parlane.get_dlg_biography();
    TestServer server;
};

TEST_F(BiographyDialogTest, AsksTheServerAndShowsOnlyTheAnswerForItsCharacter)
{
    login("Bob");
    dialog.set_character("Alice");
    EXPECT_EQ("Biography of Alice", title());
    EXPECT_EQ("[Retrieving biography]", text());
    Packet request;
    ASSERT_TRUE(server.wait_for("GETBIOGRAPHY", request));
    EXPECT_EQ("Alice", request.get_parameter(0));

    ASSERT_TRUE(server.deliver(Packet("Carl", "BIOGRAPHY", "A smith.")));
    EXPECT_EQ("[Retrieving biography]", text());
    // The match is exact, not ignoring case.
    ASSERT_TRUE(server.deliver(Packet("alice", "BIOGRAPHY", "Wrong.")));
    EXPECT_EQ("[Retrieving biography]", text());
    ASSERT_TRUE(server.deliver(Packet("Alice", "BIOGRAPHY", "Tall.\nFrom the north.")));
    EXPECT_EQ("Tall.\nFrom the north.", text());
}

TEST_F(BiographyDialogTest, ForeignBytesAreShownAsReplacementCharacters)
{
    login("Bob");
    dialog.set_character("Alice");
    ASSERT_TRUE(server.deliver(Packet("Alice", "BIOGRAPHY", "Caf\xE9 owner")));
    EXPECT_EQ("Caf\xEF\xBF\xBD owner", text());
}

TEST_F(BiographyDialogTest, OkSendsTheTextAndEveryResponseHides)
{
    struct Case
    {
        int response;
        bool sent;
    } cases[] = {
        { Gtk::RESPONSE_CANCEL, false },
        { Gtk::RESPONSE_DELETE_EVENT, false },
        { Gtk::RESPONSE_OK, true },
    };
    login("Bob");
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.response);
        server.received.clear();
        dialog.set_character("Bob");
        dialog.show();
        buffer()->set_text("Born in a barn.");
        dialog.response(c.response);
        EXPECT_FALSE(dialog.get_visible());
        ASSERT_TRUE(server.sync());
        Packet set;
        bool found = false;
        for (const Packet& pkt : server.received)
            if (pkt.get_command() == "SETBIOGRAPHY")
            {
                set = pkt;
                found = true;
            }
        EXPECT_EQ(c.sent, found);
        if (found)
        {
            EXPECT_EQ("Bob", set.get_origin());
            EXPECT_EQ("Born in a barn.", set.get_parameter(0));
        }
    }
}

} // namespace
