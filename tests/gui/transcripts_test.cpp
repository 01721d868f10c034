#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "client/ui/transcriptswindow.h"
#include "tests/client/tempdir.h"
#include "tests/gui/fixture.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/filechooserwidget.h>
#include <gtkmm/textview.h>
#include <gtkmm/treeview.h>

#include <string>

namespace
{

class TranscriptsTest: public GuiTest::SessionTest
{
protected:
    TranscriptsTest(): SessionTest(true) { }

    static Gtk::Window* toplevel(const std::string& title)
    {
        for (Gtk::Window* w : Gtk::Window::list_toplevels())
            if (w->get_title() == title)
                return w;
        return nullptr;
    }

    static void press(Gtk::Widget& widget, guint keyval, guint state = 0)
    {
        GuiTest::press(widget, keyval, state);
        GuiTest::run_turns(2);
    }
};

// A session played through the server, then read back as a user would: Ctrl+T,
// the session in the tree, a search typed and a hit opened with Enter, an
// HTML export.
TEST_F(TranscriptsTest, APlayedSessionIsListedSearchedOpenedAndExported)
{
    log_in("GM", { ";GAME;Chronicle", ";SESSION;Night One", ";ADDSCENE;Tavern;0", ";ADDSCENE;OOC;0",
                     "Anna;TEXT;Tavern;$me$: \"Hello <b>&</b>, $GM$!\"", "GM;TEXT;Tavern;The *wind* howls",
                     "Anna;OOC;OOC;brb", "Anna;TEXT;Tavern;$me$ draws a _blade_" });

    press(window, GDK_t, GDK_CONTROL_MASK);
    ASSERT_TRUE(GuiTest::run_until([] { return toplevel("Transcripts") && toplevel("Transcripts")->get_visible(); }));
    TranscriptsWindow* transcripts = dynamic_cast<TranscriptsWindow*>(toplevel("Transcripts"));
    ASSERT_NE(nullptr, transcripts);

    // The tree: game, session, its two scenes with their line counts.
    Gtk::TreeView* tree = GuiTest::find_widget<Gtk::TreeView>(*transcripts, "lst_transcripts");
    Glib::RefPtr<Gtk::TreeModel> model = tree->get_model();
    Gtk::TreeModel::iterator session;
    for (const Gtk::TreeModel::Row& game : model->children())
    {
        Glib::ustring name;
        game.get_value(0, name);
        if (name == "Chronicle")
            session = game.children().begin();
    }
    ASSERT_TRUE(session);
    Glib::ustring name;
    unsigned lines = 0;
    session->get_value(0, name);
    session->get_value(1, lines);
    EXPECT_EQ("Night One: 4", name + ": " + std::to_string(lines));
    ASSERT_EQ(2u, session->children().size());

    // The session: both scenes interleaved, a heading at each change.
    tree->get_selection()->select(session);
    Gtk::TextView* view = GuiTest::find_widget<Gtk::TextView>(*transcripts, "txt_transcript");
    std::string text = view->get_buffer()->get_text();
    for (const char* part :
        { "Tavern\n[", "] Anna: \"Hello <b>&</b>, GM!\"\n", "OOC\n[", "] Anna draws a blade" })
        EXPECT_NE(std::string::npos, text.find(part)) << part << " in " << text;

    // A search typed and run with Enter; its one hit opened with Enter.
    Gtk::Entry* entry = GuiTest::find_widget<Gtk::Entry>(*transcripts, "ent_transcript_search");
    entry->grab_focus();
    for (guint key : { GDK_W, GDK_I, GDK_N, GDK_D })
        press(*entry, key);
    press(*entry, GDK_Return);
    Gtk::TreeView* hits = GuiTest::find_widget<Gtk::TreeView>(*transcripts, "lst_transcript_hits");
    ASSERT_TRUE(GuiTest::run_until([&] { return !transcripts->is_searching(); }));
    ASSERT_EQ(1u, hits->get_model()->children().size());
    Glib::ustring marked;
    hits->get_model()->children().begin()->get_value(2, marked);
    EXPECT_EQ("The *<b>wind</b>* howls", marked);
    hits->grab_focus();
    hits->set_cursor(Gtk::TreePath("0"));
    press(*hits, GDK_Return);
    Gtk::TextIter start, end;
    ASSERT_TRUE(view->get_buffer()->get_selection_bounds(start, end));
    EXPECT_EQ("] The wind howls", view->get_buffer()->get_text(start, end).substr(9));
    GuiTest::screenshot(*transcripts, "transcripts.png");

    // Export the scene opened as HTML through the dialog.
    TempDir out;
    std::string file = out.file("night.html");
    Gtk::Dialog* dialog = dynamic_cast<Gtk::Dialog*>(toplevel("Export a Transcript"));
    ASSERT_NE(nullptr, dialog);
    GuiTest::respond_when_shown(*dialog, Gtk::RESPONSE_OK, [&] {
        Gtk::FileChooserWidget* chooser = GuiTest::find_widget<Gtk::FileChooserWidget>(*dialog, "fcw_export");
        chooser->set_current_folder(out.path.string());
        chooser->set_current_name("night.html");
        // The chooser takes the folder in after a few turns of the loop.
        for (int i = 0; i < 200 && chooser->get_filename() != file; ++i)
            GuiTest::run_turns(1);
    });
    GuiTest::find_widget<Gtk::Button>(*transcripts, "btn_transcript_export")->clicked();
    std::string html = read_file(file);
    for (const char* part : { "<title>Chronicle \xE2\x80\x94 Night One</title>",
             "<span class=\"name\">Anna</span>: &quot;<span class=\"speech_text\">Hello "
             "&lt;b&gt;&amp;&lt;/b&gt;, </span>",
             "The <span class=\"b\">wind</span> howls" })
        EXPECT_NE(std::string::npos, html.find(part)) << part << " in " << html;
    EXPECT_EQ(std::string::npos, html.find("<b>")) << html;

    press(*transcripts, GDK_Escape);
    EXPECT_FALSE(transcripts->get_visible());
}

} // namespace
