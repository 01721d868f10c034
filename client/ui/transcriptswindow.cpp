#include "client/ui/transcriptswindow.h"

#include "client/parlane.h"
#include "client/ui/backgroundstyle.h"
#include "client/ui/logtags.h"
#include "client/ui/messagebox.h"
#include "client/ui/uifile.h"
#include "client/ui/utf8.h"
#include "libs/core/source/core/except.h"
#include "libs/io/source/file.h"

#include <gdk/gdkkeysyms.h>
#include <glibmm/main.h>
#include <glibmm/markup.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/combobox.h>
#include <gtkmm/dialog.h>
#include <gtkmm/entry.h>
#include <gtkmm/filechooserwidget.h>
#include <gtkmm/textview.h>
#include <gtkmm/treeview.h>

#include <algorithm>

namespace
{

// "2031-05-04 20:15:09" -> "2031-05-04 20:15": the tree has no room for seconds.
Glib::ustring minutes(const std::string& stamp)
{
    return stamp.substr(0, 16);
}

const char* const EXTENSIONS[] = { ".html", ".md", ".bbcode.txt", ".txt" };

} // namespace

TranscriptsWindow::TreeColumns::TreeColumns()
{
    add(name);
    add(lines);
    add(first);
    add(last);
    add(game);
    add(session);
    add(scene);
}

TranscriptsWindow::HitColumns::HitColumns()
{
    add(place);
    add(time);
    add(line);
    add(index);
}

TranscriptsWindow::TranscriptsWindow(BaseObjectType* obj, const Glib::RefPtr<Gnome::Glade::Xml>& xml):
    Gtk::Window(obj), parlane(Parlane::instance()), lst_transcripts(nullptr), lst_hits(nullptr),
    txt_transcript(nullptr), ent_search(nullptr), chk_game(nullptr), btn_export(nullptr), dlg_export(nullptr),
    cmb_format(nullptr), chk_ooc(nullptr), chk_events(nullptr), chk_times(nullptr), fcw_export(nullptr),
    tags(nullptr), folder(nullptr), running(nullptr)
{
    fetch_widget(xml, "lst_transcripts", lst_transcripts);
    fetch_widget(xml, "lst_transcript_hits", lst_hits);
    fetch_widget(xml, "txt_transcript", txt_transcript);
    fetch_widget(xml, "ent_transcript_search", ent_search);
    fetch_widget(xml, "chk_transcript_game", chk_game);
    fetch_widget(xml, "btn_transcript_export", btn_export);
    fetch_widget(xml, "dlg_transcript_export", dlg_export);
    fetch_widget(xml, "cmb_export_format", cmb_format);
    fetch_widget(xml, "chk_export_ooc", chk_ooc);
    fetch_widget(xml, "chk_export_events", chk_events);
    fetch_widget(xml, "chk_export_times", chk_times);
    fetch_widget(xml, "fcw_export", fcw_export);

    tree = Gtk::TreeStore::create(tree_columns);
    lst_transcripts->set_model(tree);
    lst_transcripts->append_column("Transcript", tree_columns.name);
    lst_transcripts->append_column("Lines", tree_columns.lines);
    lst_transcripts->append_column("From", tree_columns.first);
    lst_transcripts->append_column("To", tree_columns.last);

    hit_list = Gtk::ListStore::create(hit_columns);
    lst_hits->set_model(hit_list);
    lst_hits->append_column("Where", hit_columns.place);
    lst_hits->append_column("Time", hit_columns.time);
    Gtk::CellRendererText* cell = Gtk::manage(new Gtk::CellRendererText());
    int count = lst_hits->append_column("Line", *cell);
    lst_hits->get_column(count - 1)->add_attribute(cell->property_markup(), hit_columns.line);

    tags = new LogTags(txt_transcript->get_buffer());
    cmb_format->set_active(0);
    btn_export->set_sensitive(false);

    selection_changed = lst_transcripts->get_selection()->signal_changed().connect(
        sigc::mem_fun(*this, &TranscriptsWindow::on_selection_changed));
    ent_search->signal_activate().connect(sigc::mem_fun(*this, &TranscriptsWindow::on_search_activated));
    lst_hits->signal_row_activated().connect(sigc::mem_fun(*this, &TranscriptsWindow::on_hit_activated));
    btn_export->signal_clicked().connect(sigc::mem_fun(*this, &TranscriptsWindow::on_export_clicked));
    signal_key_press_event().connect(sigc::mem_fun(*this, &TranscriptsWindow::key_pressed), false);
    parlane.signal_config_changed.connect(sigc::mem_fun(*this, &TranscriptsWindow::set_colors));
    set_colors();
}

TranscriptsWindow::~TranscriptsWindow()
{
    stop_search();
    delete folder;
    delete tags;
    delete dlg_export;
}

void TranscriptsWindow::open()
{
    reload();
    present();
    ent_search->grab_focus();
}

void TranscriptsWindow::set_colors()
{
    tags->set_colors(parlane.get_config());
    txt_transcript->modify_style(background_style(parlane.get_config()));
}

bool TranscriptsWindow::key_pressed(GdkEventKey* event)
{
    if (event->keyval != GDK_Escape)
        return false;
    hide();
    return true;
}

void TranscriptsWindow::reload()
{
    stop_search();
    hit_list->clear();
    hits.clear();
    {
        sigc::connection& c = selection_changed;
        c.block();
        tree->clear();
        c.unblock();
    }
    Transcript::LogFolder* fresh = new Transcript::LogFolder(Transcript::default_log_folder());
    delete folder;
    folder = fresh;
    shown = Transcript::Document();
    txt_transcript->get_buffer()->set_text("");
    btn_export->set_sensitive(false);

    Gtk::TreeModel::Row game;
    Gtk::TreeModel::Row session;
    for (const Transcript::SceneLog& log : folder->get_scenes())
    {
        if (!game || game.get_value(tree_columns.game) != log.game)
        {
            game = *tree->append();
            game[tree_columns.name] = display_name(log.game);
            game[tree_columns.game] = log.game;
            session = Gtk::TreeModel::Row();
        }
        if (!session || session.get_value(tree_columns.session) != log.session)
        {
            session = *tree->append(game.children());
            session[tree_columns.name] = display_name(log.session);
            session[tree_columns.game] = log.game;
            session[tree_columns.session] = log.session;
        }
        Gtk::TreeModel::Row scene = *tree->append(session.children());
        scene[tree_columns.name] = display_name(log.scene);
        scene[tree_columns.lines] = log.lines;
        scene[tree_columns.first] = minutes(log.first);
        scene[tree_columns.last] = minutes(log.last);
        scene[tree_columns.game] = log.game;
        scene[tree_columns.session] = log.session;
        scene[tree_columns.scene] = log.scene;
        // A session and a game add up their scenes.
        for (Gtk::TreeModel::Row* row : { &session, &game })
        {
            (*row)[tree_columns.lines] = row->get_value(tree_columns.lines) + log.lines;
            Glib::ustring first = row->get_value(tree_columns.first);
            Glib::ustring last = row->get_value(tree_columns.last);
            if (!log.first.empty() && (first.empty() || minutes(log.first) < first))
                (*row)[tree_columns.first] = minutes(log.first);
            if (!log.last.empty() && minutes(log.last) > last)
                (*row)[tree_columns.last] = minutes(log.last);
        }
    }
    lst_transcripts->expand_all();
}

void TranscriptsWindow::on_selection_changed()
{
    Gtk::TreeModel::iterator selected = lst_transcripts->get_selection()->get_selected();
    std::vector<const Transcript::SceneLog*> scenes;
    if (selected && !selected->get_value(tree_columns.session).empty())
    {
        std::string game = selected->get_value(tree_columns.game);
        std::string session = selected->get_value(tree_columns.session);
        std::string scene = selected->get_value(tree_columns.scene);
        if (scene.empty())
            scenes = folder->find(game, session);
        else if (const Transcript::SceneLog* log = folder->find(game, session, scene))
            scenes.push_back(log);
    }
    try
    {
        shown = scenes.empty() ? Transcript::Document() : Transcript::read_document(scenes);
    }
    catch (const Kel::Exception& e)
    {
        shown = Transcript::Document();
        message_box(e.what(), Gtk::MESSAGE_ERROR);
    }
    draw(shown, scenes.size() > 1);
    btn_export->set_sensitive(!scenes.empty());
}

std::vector<int> TranscriptsWindow::draw(const Transcript::Document& document, bool headings)
{
    Glib::RefPtr<Gtk::TextBuffer> buffer = txt_transcript->get_buffer();
    buffer->set_text("");
    std::vector<int> lines;
    lines.reserve(document.entries.size());
    const Transcript::SceneLog* scene = nullptr;
    int line = 0;
    for (const Transcript::Entry& entry : document.entries)
    {
        if (headings && entry.scene != scene)
        {
            buffer->insert_with_tag(buffer->end(), display_name(entry.scene->scene) + "\n", tags->get_heading());
            ++line;
        }
        scene = entry.scene;
        Markup::Rendered body = Transcript::render(entry.line);
        Glib::ustring stamp = entry.line.time.empty() ? std::string() : "[" + entry.line.time + "] ";
        Glib::ustring text = display_cut(body.text, 16 * 1024);
        int start = buffer->end().get_offset();
        int body_start = start + static_cast<int>(stamp.size());
        buffer->insert(buffer->end(), stamp + text + "\n");
        Gtk::TextIter end = buffer->end();
        buffer->apply_tag(tags->get_line(), buffer->get_iter_at_offset(start), end);
        buffer->apply_tag(tags->body("timestamp"), buffer->get_iter_at_offset(start),
            buffer->get_iter_at_offset(body_start));
        buffer->apply_tag(tags->body(Transcript::body_role(entry.line)), buffer->get_iter_at_offset(body_start), end);
        // The text is shown as display_cut made it; spans past the cut are dropped.
        int length = static_cast<int>(text.size());
        for (const Markup::Span& span : body.spans)
        {
            int begin = static_cast<int>(g_utf8_strlen(body.text.data(), span.begin));
            int finish = static_cast<int>(g_utf8_strlen(body.text.data(), span.end));
            if (begin >= length)
                continue;
            buffer->apply_tag(tags->style(span.style), buffer->get_iter_at_offset(body_start + begin),
                buffer->get_iter_at_offset(body_start + std::min(finish, length)));
        }
        lines.push_back(line++);
    }
    return lines;
}

void TranscriptsWindow::search(const std::string& text)
{
    stop_search();
    hit_list->clear();
    hits.clear();
    std::vector<const Transcript::SceneLog*> scenes;
    std::string game;
    Gtk::TreeModel::iterator selected = lst_transcripts->get_selection()->get_selected();
    if (chk_game->get_active() && selected)
        game = selected->get_value(tree_columns.game);
    for (const Transcript::SceneLog& log : folder->get_scenes())
        if (game.empty() || log.game == game)
            scenes.push_back(&log);
    running = new Transcript::Search(scenes, text);
    searching = Glib::signal_idle().connect(sigc::mem_fun(*this, &TranscriptsWindow::search_step));
}

void TranscriptsWindow::stop_search()
{
    searching.disconnect();
    delete running;
    running = nullptr;
}

bool TranscriptsWindow::search_step()
{
    bool more = running->step();
    for (Transcript::Hit& hit : running->take_hits())
    {
        Gtk::TreeModel::Row row = *hit_list->append();
        row[hit_columns.place] = display_name(hit.scene->game + " / " + hit.scene->session + " / " + hit.scene->scene);
        row[hit_columns.time] = hit.stamp;
        std::string before = display_cut(hit.text.substr(0, hit.match_begin), 200);
        std::string match = display_cut(hit.text.substr(hit.match_begin, hit.match_end - hit.match_begin), 200);
        std::string after = display_cut(hit.text.substr(hit.match_end), 200);
        row[hit_columns.line] = Glib::Markup::escape_text(before) + "<b>" + Glib::Markup::escape_text(match) + "</b>"
            + Glib::Markup::escape_text(after);
        row[hit_columns.index] = static_cast<unsigned>(hits.size());
        hits.push_back(std::move(hit));
    }
    if (more)
        return true;
    // Deleting the search ends this idle source too, by returning false.
    delete running;
    running = nullptr;
    return false;
}

void TranscriptsWindow::on_search_activated()
{
    search(ent_search->get_text());
}

void TranscriptsWindow::on_hit_activated(const Gtk::TreeModel::Path& path, Gtk::TreeViewColumn*)
{
    Gtk::TreeModel::iterator row = hit_list->get_iter(path);
    if (row)
        open_hit(row->get_value(hit_columns.index));
}

void TranscriptsWindow::open_hit(std::size_t index)
{
    if (index >= hits.size())
        return;
    const Transcript::Hit& hit = hits[index];
    Gtk::TreeModel::iterator found;
    tree->foreach_iter([&](const Gtk::TreeModel::iterator& i) {
        if (i->get_value(tree_columns.game) == hit.scene->game
            && i->get_value(tree_columns.session) == hit.scene->session
            && i->get_value(tree_columns.scene) == hit.scene->scene)
        {
            found = i;
            return true;
        }
        return false;
    });
    if (!found)
        return;
    lst_transcripts->expand_to_path(tree->get_path(found));
    // Drawn here, not by the selection's handler: the line numbers are needed.
    selection_changed.block();
    lst_transcripts->get_selection()->select(found);
    selection_changed.unblock();
    std::vector<const Transcript::SceneLog*> scenes { hit.scene };
    try
    {
        shown = Transcript::read_document(scenes);
    }
    catch (const Kel::Exception& e)
    {
        message_box(e.what(), Gtk::MESSAGE_ERROR);
        return;
    }
    std::vector<int> lines = draw(shown, false);
    btn_export->set_sensitive(true);
    for (std::size_t i = 0; i < shown.entries.size(); ++i)
        if (shown.entries[i].number == hit.number)
        {
            Glib::RefPtr<Gtk::TextBuffer> buffer = txt_transcript->get_buffer();
            Gtk::TextIter start = buffer->get_iter_at_line(lines[i]);
            Gtk::TextIter end = start;
            end.forward_to_line_end();
            buffer->select_range(start, end);
            Glib::RefPtr<Gtk::TextMark> mark = buffer->create_mark(start, true);
            txt_transcript->scroll_to(mark, 0, 0, 0.3);
            break;
        }
}

void TranscriptsWindow::export_shown(const std::string& file, Transcript::Format format,
    const Transcript::ExportOptions& options)
{
    std::string text = Transcript::export_document(shown, format, options, parlane.get_config());
    Kel::IO::File out(file, Kel::IO::M_WRITE,
        Kel::IO::File::CreateMode(Kel::IO::File::C_CREATE | Kel::IO::File::C_TRUNCATE));
    out.write(text);
}

void TranscriptsWindow::on_export_clicked()
{
    if (shown.entries.empty() && shown.session.empty())
        return;
    std::string name = shown.game + " - " + shown.session;
    Gtk::TreeModel::iterator selected = lst_transcripts->get_selection()->get_selected();
    if (selected && !selected->get_value(tree_columns.scene).empty())
        name += " - " + selected->get_value(tree_columns.scene);
    int format = std::max(0, cmb_format->get_active_row_number());
    fcw_export->set_current_name(name + EXTENSIONS[format]);
    dlg_export->set_transient_for(*this);
    int response = dlg_export->run();
    dlg_export->hide();
    if (response != Gtk::RESPONSE_OK)
        return;
    std::string file = fcw_export->get_filename();
    if (file.empty())
        return;
    Transcript::ExportOptions options;
    options.ooc = chk_ooc->get_active();
    options.events = chk_events->get_active();
    options.times = chk_times->get_active();
    static const Transcript::Format formats[] = { Transcript::HTML, Transcript::MARKDOWN, Transcript::BBCODE,
        Transcript::TEXT };
    try
    {
        export_shown(file, formats[std::max(0, cmb_format->get_active_row_number())], options);
    }
    catch (const Kel::Exception& e)
    {
        message_box(e.what(), Gtk::MESSAGE_ERROR);
    }
}
