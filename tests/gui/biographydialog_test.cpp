#include "client/ui/mainwindow.h"
#include "client/ui/biographydialog.h"

#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/label.h>
#include <gtkmm/textview.h>

#include <string>

using GuiTest::Strings;

namespace
{

class BiographyDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        log_in("Bob");
    }

    void TearDown() override
    {
        dialog.hide();
        SessionTest::TearDown();
    }

    Glib::RefPtr<Gtk::TextBuffer> buffer()
    {
        return GuiTest::find_widget<Gtk::TextView>(dialog, "txt_edit_biography")->get_buffer();
    }

    BiographyDialog& dialog = *window.get_dlg_biography();
};

TEST_F(BiographyDialogTest, AsksTheServerAndShowsOnlyTheAnswerForItsCharacter)
{
    dialog.set_character("Alice");
    EXPECT_EQ(
        "Biography of Alice", GuiTest::find_widget<Gtk::Label>(dialog, "lbl_edit_bio_title")->get_text());
    EXPECT_EQ("[Retrieving biography]", buffer()->get_text());
    EXPECT_EQ(Strings { "Bob;GETBIOGRAPHY;Alice" }, server.take_sent());
    // The match is exact, not ignoring case; bytes that are not UTF-8 are replaced.
    const struct
    {
        const char *line, *shown;
    } cases[] = {
        { "Carl;BIOGRAPHY;A smith.", "[Retrieving biography]" },
        { "alice;BIOGRAPHY;Wrong.", "[Retrieving biography]" },
        { "Alice;BIOGRAPHY;Tall.\aFrom the north.", "Tall.\nFrom the north." },
        { "Alice;BIOGRAPHY;Caf\xE9 owner", "Caf\xEF\xBF\xBD owner" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(server.deliver(c.line));
        EXPECT_EQ(c.shown, buffer()->get_text());
    }
}

TEST_F(BiographyDialogTest, OkSendsTheTextAndEveryResponseHides)
{
    const struct
    {
        int response;
        Strings sent;
    } cases[] = {
        { Gtk::RESPONSE_CANCEL, {} },
        { Gtk::RESPONSE_OK, { "Bob;SETBIOGRAPHY;Born in a barn." } },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.response);
        dialog.set_character("Bob");
        dialog.show();
        buffer()->set_text("Born in a barn.");
        server.take_sent();
        dialog.response(c.response);
        EXPECT_FALSE(dialog.get_visible());
        EXPECT_EQ(c.sent, server.take_sent());
    }
}

} // namespace
