#include "client/parlane.h"
#include "client/ui/mainwindow.h"
#include "client/ui/transcriptswindow.h"
#include "tests/client/tempdir.h"
#include "tests/gui/fixture.h"

#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <gtkmm/button.h>
#include <gtkmm/combobox.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/filechooserwidget.h>
#include <gtkmm/textview.h>
#include <gtkmm/treeview.h>

#include <cstdlib>
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
        GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
        event->key.keyval = keyval;
        event->key.state = state;
        // Accelerators are looked up by the key's hardware code.
        GdkKeymapKey* keys = nullptr;
        gint count = 0;
        if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_default(), keyval, &keys, &count) && count > 0)
            event->key.hardware_keycode = keys[0].keycode;
        g_free(keys);
        GuiTest::send_event(widget, event);
        GuiTest::run_turns(2);
    }

    static void type(Gtk::Widget& widget, const std::string& text)
    {
        for (char c : text)
            press(widget, gdk_unicode_to_keyval(static_cast<unsigned char>(c)));
    }

    // Saves the window as a PNG for a person to look at.
    static void screenshot(Gtk::Window& window, const std::string& file)
    {
        GuiTest::run_turns(50);
        GuiTest::save_screenshot(window, file);
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
    session->get_value(0, name);
    EXPECT_EQ("Night One", name);
    unsigned lines = 0;
    session->get_value(1, lines);
    EXPECT_EQ(4u, lines);
    ASSERT_EQ(2u, session->children().size());

    // The session: both scenes interleaved, a heading at each change.
    tree->get_selection()->select(session);
    Gtk::TextView* view = GuiTest::find_widget<Gtk::TextView>(*transcripts, "txt_transcript");
    std::string text = view->get_buffer()->get_text();
    EXPECT_NE(std::string::npos, text.find("Tavern\n[")) << text;
    EXPECT_NE(std::string::npos, text.find("] Anna: \"Hello <b>&</b>, GM!\"\n")) << text;
    EXPECT_NE(std::string::npos, text.find("OOC\n[")) << text;
    EXPECT_NE(std::string::npos, text.find("] Anna draws a blade")) << text;

    // A search typed and run with Enter; its one hit opened with Enter.
    Gtk::Entry* entry = GuiTest::find_widget<Gtk::Entry>(*transcripts, "ent_transcript_search");
    entry->grab_focus();
    type(*entry, "WIND");
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
    Gtk::TextIter start;
    Gtk::TextIter end;
    ASSERT_TRUE(view->get_buffer()->get_selection_bounds(start, end));
    EXPECT_EQ("] The wind howls", view->get_buffer()->get_text(start, end).substr(9));
    if (const char* shot = std::getenv("PARLANE_SCREENSHOT"))
        screenshot(*transcripts, shot);

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
    EXPECT_NE(std::string::npos, html.find("<title>Chronicle \xE2\x80\x94 Night One</title>")) << html;
    EXPECT_NE(std::string::npos, html.find("<span class=\"name\">Anna</span>: &quot;<span class=\"speech_text\">"
                                           "Hello &lt;b&gt;&amp;&lt;/b&gt;, </span>"))
        << html;
    EXPECT_NE(std::string::npos, html.find("The <span class=\"b\">wind</span> howls")) << html;
    EXPECT_EQ(std::string::npos, html.find("<b>")) << html;
    if (const char* keep = std::getenv("PARLANE_KEEP_EXPORT"))
        write_file(keep, html);

    press(*transcripts, GDK_Escape);
    EXPECT_FALSE(transcripts->get_visible());
}

} // namespace
