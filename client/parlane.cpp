#include "client/parlane.h"

#include "client/addscenedialog.h"
#include "client/biographydialog.h"
#include "client/colordialog.h"
#include "client/connectdialog.h"
#include "client/mainwindow.h"
#include "client/messagebox.h"
#include "client/npcdialog.h"
#include "client/safename.h"
#include "client/startsessiondialog.h"
#include "client/uifile.h"
#include "client/utf8.h"
#include "common/commands.h"
#include "common/connection.h"
#include "common/packet.h"
#include "libs/core/source/core/except.h"
#include "libs/core/source/time/clock.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/file.h"
#include "libs/path/source/path.h"
#include "libs/path/source/utils.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/lexicalcast.h"
#include "libs/strings/source/utils.h"

#include <gtkmm/dialog.h>
#include <gtkmm/messagedialog.h>
#include <libglademm/xml.h>

#include <sys/prctl.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <typeinfo>

namespace
{

const char UI_FILE[] = "parlane.glade";

bool flag(const Packet& pkt, unsigned i)
{
    return Kel::lexical_cast<bool>(pkt.get_parameter(i));
}

} // namespace

Parlane* Parlane::instance_ = nullptr;
Kel::Application::RegApp<Parlane> Parlane::reg;

Parlane::Parlane(int argc, char** argv):
    gtk(argc, argv), wnd_main(nullptr), dlg_connect(nullptr), dlg_start_session(nullptr),
    dlg_add_scene(nullptr), dlg_npcs(nullptr), dlg_biography(nullptr), dlg_colors(nullptr),
    dlg_about(nullptr), dlg_help(nullptr), link_busy(false), config("parlane.conf"),
    active_scene(nullptr), conn(nullptr), writing(false)
{
    // A send to a peer that has gone would otherwise kill the process
    // instead of failing the write.
    std::signal(SIGPIPE, SIG_IGN);
    // The loop's pace is one turn per millisecond; the kernel's default timer
    // slack stretches each 1 ms sleep by a tenth or more.
    prctl(PR_SET_TIMERSLACK, 1UL);

    instance_ = this;
    try
    {
        load_ui();
    }
    catch (...)
    {
        instance_ = nullptr;
        throw;
    }
    dlg_help->signal_response().connect(sigc::hide(sigc::mem_fun(*dlg_help, &Gtk::Widget::hide)));
    update_title();
    std::srand(std::time(nullptr));
}

void Parlane::load_ui()
{
    std::string reason;
    Glib::RefPtr<Gnome::Glade::Xml> xml;
    try
    {
        // Opened first only to name the reason if it cannot be read: the
        // loader's own error does not say.
        Kel::IO::File probe(UI_FILE, Kel::IO::M_READ, Kel::IO::File::C_NONE);
    }
    catch (const Kel::Exception& e)
    {
        reason = e.what();
    }
    if (reason.empty())
    {
        try
        {
            xml = Gnome::Glade::Xml::create(UI_FILE, "", "");
        }
        catch (const Gnome::Glade::XmlError& e)
        {
            reason = e.what();
            if (reason.empty())
                reason = "not a valid user interface description";
        }
    }

    if (xml)
    {
        try
        {
            fetch_derived(xml, "wnd_main", wnd_main);
            fetch_derived(xml, "dlg_connect", dlg_connect);
            fetch_derived(xml, "dlg_start_session", dlg_start_session);
            fetch_derived(xml, "dlg_add_scene", dlg_add_scene);
            fetch_derived(xml, "dlg_npcs", dlg_npcs);
            fetch_derived(xml, "dlg_edit_biography", dlg_biography);
            fetch_derived(xml, "dlg_colors", dlg_colors);
            fetch_widget(xml, "dlg_about", dlg_about);
            fetch_widget(xml, "dlg_help", dlg_help);
        }
        catch (const Kel::Exception& e)
        {
            reason = e.what();
        }
    }

    if (reason.empty())
        return;

    delete dlg_help;
    dlg_help = nullptr;
    delete dlg_about;
    dlg_about = nullptr;
    delete dlg_colors;
    dlg_colors = nullptr;
    delete dlg_biography;
    dlg_biography = nullptr;
    delete dlg_npcs;
    dlg_npcs = nullptr;
    delete dlg_add_scene;
    dlg_add_scene = nullptr;
    delete dlg_start_session;
    dlg_start_session = nullptr;
    delete dlg_connect;
    dlg_connect = nullptr;
    delete wnd_main;
    wnd_main = nullptr;

    std::string text = Kel::format("Cannot load the user interface from \"%s\": %s", UI_FILE, reason);
    message_box(text, Gtk::MESSAGE_ERROR);
    throw Kel::Exception(text);
}

Parlane::~Parlane()
{
    delete wnd_main;
    delete dlg_connect;
    delete dlg_start_session;
    delete dlg_add_scene;
    delete dlg_npcs;
    delete dlg_biography;
    delete dlg_colors;
    delete dlg_about;
    delete dlg_help;
    delete conn;
    // Normally already empty: main() clears the model. The windows are gone,
    // so nobody is told.
    for (Scene* s : scenes)
        delete s;
    for (Character* c : characters)
        delete c;
    instance_ = nullptr;
}

Parlane& Parlane::instance()
{
    return *instance_;
}

int Parlane::main()
{
    wnd_main->show();
    int code;
    try
    {
        config.load();
        signal_config_changed.emit();
        code = Kel::Application::main();
        config.save();
    }
    catch (const Kel::Exception& e)
    {
        std::cout << "Exception " << typeid(e).name() << ": " << e.what() << std::endl;
        message_box(
            Kel::format("An error occurred:\n%s\nThe program will now close.", e.what()), Gtk::MESSAGE_ERROR);
        code = 1;
    }
    clear();
    return code;
}

void Parlane::tick()
{
    if (link_busy)
    {
        // Laying out lines off the screen as fast as they arrive would slow
        // their arrival: while the server keeps sending, such work gets one
        // round every BACKGROUND_DELAY.
        pump.drain_foreground();
        Kel::Time::TimeStamp now = Kel::Time::now();
        if (now - last_background >= BACKGROUND_DELAY)
        {
            pump.drain(Kel::Time::zero);
            last_background = now;
        }
    }
    else
    {
        Kel::Time::TimeDelta limit = IDLE_WAIT;
        if (writing)
            limit = std::min(limit, write_timeout - Kel::Time::now());
        pump.wait(event_disp, limit);
        pump.drain(BACKGROUND_SLICE);
        last_background = Kel::Time::now();
    }

    // Before the dispatcher: the socket of a link the peer closed wants no
    // events any more, and polling nothing but it would fail.
    if (conn && conn->get_stale())
    {
        delete conn;
        conn = nullptr;
    }

    link_busy = false;
    event_disp.tick(false);

    if (writing && Kel::Time::now() > write_timeout)
        set_writing(false);
}

void Parlane::connect(const std::string& address, const std::string& n)
{
    if (conn)
        disconnect();
    clear();

    Gtk::MessageDialog box("Connecting, please wait...", false, Gtk::MESSAGE_INFO, Gtk::BUTTONS_CANCEL, true);
    box.signal_response().connect(sigc::mem_fun(*this, &Parlane::cancel_connection));
    try
    {
        box.show();
        conn = new Connection(address, event_disp);
        while (true)
        {
            while (Gtk::Main::events_pending())
                Gtk::Main::iteration(false);
            if (!conn || conn->check_connection())
                break;
            // Until the socket or the toolkit has news, at most 10 ms: the
            // wait does not spin, and Cancel still answers at once.
            pump.wait(event_disp, IDLE_WAIT);
        }
        if (conn)
        {
            conn->signal_packet_available.connect(sigc::mem_fun(*this, &Parlane::packet_available));
            conn->signal_end_of_file.connect(sigc::mem_fun(*this, &Parlane::end_of_file));
            name = n;
            active_name = n;
            conn->send_packet(Packet("", Command::NAME, name));
        }
    }
    catch (const Kel::Exception& e)
    {
        delete conn;
        conn = nullptr;
        box.hide();
        message_box(e.what(), Gtk::MESSAGE_ERROR);
    }
}

void Parlane::cancel_connection(int)
{
    delete conn;
    conn = nullptr;
}

void Parlane::end_of_file()
{
    message_box("Connection Lost", Gtk::MESSAGE_ERROR);
}

void Parlane::disconnect()
{
    delete conn;
    conn = nullptr;
    for (Character* c : characters)
        c->set_online(false);
    game.clear();
    session.clear();
    update_title();
    signal_character_status_changed.emit();
}

void Parlane::quit()
{
    exit(0);
}

void Parlane::clear()
{
    for (Scene* s : scenes)
        delete s;
    scenes.clear();
    active_scene = nullptr;
    for (Character* c : characters)
        delete c;
    characters.clear();
    signal_data_cleared.emit();
}

void Parlane::send(const Packet& pkt)
{
    if (!conn)
        return;
    // A lost link shows itself through end of file and "Connection Lost";
    // a request that cannot go out must not end the program from a key
    // press or a loop turn.
    try
    {
        conn->send_packet(pkt);
    }
    catch (const Kel::Exception& e)
    {
        std::cout << e.what() << " to " << conn->get_peer() << std::endl;
    }
}

void Parlane::start_session(const std::string& n)
{
    send(Packet(name, Command::STARTSESSION, n));
}

void Parlane::end_session()
{
    send(Packet(name, Command::ENDSESSION));
}

void Parlane::set_afk(const std::string& msg)
{
    send(Packet(name, Command::AFK, msg));
}

void Parlane::set_writing(bool w)
{
    // Without a scene there is nothing to be typing in.
    if (w && !active_scene)
    {
        write_timeout = Kel::Time::now() + 10 * Kel::Time::sec;
        return;
    }
    if (w != writing)
    {
        writing = w;
        send(Packet(name, Command::WRITING, w ? active_scene->get_name() : std::string()));
        if (w)
            set_afk(std::string());
    }
    if (w)
        write_timeout = Kel::Time::now() + 10 * Kel::Time::sec;
}

void Parlane::add_scene(const std::string& n, bool t)
{
    if (!conn)
        return;
    requested_scene = n;
    send(Packet(name, Command::ADDSCENE, n, t ? "1" : "0"));
}

void Parlane::remove_scene(const std::string& n)
{
    send(Packet(name, Command::REMOVESCENE, n));
}

void Parlane::set_scene_group(const std::string& sname, const std::string& group)
{
    send(Packet(name, Command::SETSCENEGROUP, sname, group));
}

void Parlane::add_npc(const std::string& npc)
{
    send(Packet(name, Command::ADDNPC, npc));
}

void Parlane::remove_character(const std::string& cname)
{
    send(Packet(name, Command::REMOVECHAR, cname));
}

void Parlane::query_character(const std::string& cname)
{
    send(Packet(active_name, Command::QUERY, cname));
}

void Parlane::get_character_biography(const std::string& cname)
{
    send(Packet(name, Command::GETBIOGRAPHY, cname));
}

void Parlane::show_character_biography(const std::string& cname)
{
    show_bio = cname;
    get_character_biography(cname);
}

void Parlane::set_character_biography(const std::string& cname, const std::string& bio)
{
    if (cname != name && name != "GM")
        return;
    send(Packet(cname, Command::SETBIOGRAPHY, bio));
}

void Parlane::set_active_scene(Scene* s)
{
    if (!s)
        return;
    active_scene = s;
    s->reset_activity();
    std::map<std::string, std::string>::const_iterator i = active_names.find(s->get_name());
    if (i != active_names.end())
    {
        active_name = i->second;
        signal_active_name_changed.emit();
    }
    signal_scene_activated.emit();
    signal_scene_status_changed.emit();
    set_writing(false);
}

void Parlane::set_active_name(const std::string& n)
{
    if (name != "GM")
        return;
    if (active_scene)
        active_names[active_scene->get_name()] = n;
    active_name = n;
    signal_active_name_changed.emit();
}

Character* Parlane::get_character(const std::string& cname) const
{
    for (Character* c : characters)
        if (Kel::strcasecmp(c->get_name(), cname) == 0)
            return c;
    return nullptr;
}

Scene* Parlane::get_scene(const std::string& sname) const
{
    for (Scene* s : scenes)
        if (Kel::strcasecmp(s->get_name(), sname) == 0)
            return s;
    return nullptr;
}

bool Parlane::scene_compare(const Scene* a, const Scene* b)
{
    int groups = Kel::strcasecmp(a->get_group(), b->get_group());
    if (groups != 0)
        return groups < 0;
    if (a->get_name() == "OOC")
        return b->get_name() != "OOC";
    if (b->get_name() == "OOC")
        return false;
    if (a->get_temporary() == b->get_temporary())
        return Kel::strcasecmp(a->get_name(), b->get_name()) < 0;
    return !a->get_temporary();
}

void Parlane::sort_scenes()
{
    scenes.sort(&Parlane::scene_compare);
}

void Parlane::update_title()
{
    std::string title = "Parlane";
    if (!game.empty())
    {
        title += " - " + game;
        if (!session.empty())
            title += " - " + session;
    }
    wnd_main->set_title(display_text(title));
}

void Parlane::raise_activity(Scene& s, unsigned level)
{
    if (s.set_activity(level))
        signal_scene_status_changed.emit();
}

void Parlane::leave_scene(Scene& s, Character& chr)
{
    bool was_empty = s.get_characters().empty();
    s.remove_character(&chr);
    bool own = (chr.get_name() == name);
    if (own)
    {
        s.clear_characters();
        s.add_line(LogLine::EVENT, "*", std::string(40, '-'));
    }
    // The scene list marks empty scenes, as it learns from ENTER into one.
    bool emptied = !was_empty && s.get_characters().empty();
    if (&s == active_scene)
    {
        signal_activity.emit();
        signal_present_characters_changed.emit();
        if (own || emptied)
            signal_scene_status_changed.emit();
    }
    else
    {
        raise_activity(s, 1);
        if (emptied)
            signal_scene_status_changed.emit();
    }
}

void Parlane::packet_available()
{
    Packet pkt;
    if (!conn || !conn->get_packet(pkt))
        return;
    link_busy = true;

    const std::string& cmd = pkt.get_command();
    const std::string& origin = pkt.get_origin();

    if (cmd == Command::GAME)
    {
        game = pkt.get_parameter(0);
        update_title();
        Kel::mkpath(Kel::Path(safe_name(game)), 0755);
    }
    else if (cmd == Command::SESSION)
    {
        session = pkt.get_parameter(0);
        update_title();
    }
    else if (cmd == Command::ERROR)
        message_box(pkt.get_parameter(0), Gtk::MESSAGE_ERROR);
    else if (cmd == Command::ADDSCENE)
    {
        const std::string& sname = pkt.get_parameter(0);
        bool temporary = flag(pkt, 1);
        if (get_scene(sname))
            return;
        Scene* s = new Scene(*this, sname, temporary);
        // Raised before the scene is announced: nothing announces it later,
        // and the scene list would show the new scene as quiet.
        bool activate = !active_scene || sname == requested_scene;
        if (!activate)
            s->set_activity(2);
        // The list is sorted already: one walk finds the new scene's place.
        scenes.insert(std::upper_bound(scenes.begin(), scenes.end(), s, &Parlane::scene_compare), s);
        signal_scenes_changed.emit();
        active_names[sname] = name;
        if (activate)
        {
            requested_scene.clear();
            set_active_scene(s);
        }
    }
    else if (cmd == Command::ADDCHAR)
    {
        const std::string& cname = pkt.get_parameter(0);
        bool npc = flag(pkt, 1);
        if (get_character(cname))
            return;
        characters.push_back(new Character(cname, npc));
        signal_characters_changed.emit();
    }
    else if (cmd == Command::REMOVECHAR)
    {
        const std::string& cname = pkt.get_parameter(0);
        CharacterSeq::iterator i = characters.begin();
        while (i != characters.end() && (*i)->get_name() != cname)
            ++i;
        if (i == characters.end())
            return;
        Character* chr = *i;
        // No scene may keep pointing at it once it is deleted.
        for (Scene* s : scenes)
        {
            const CharacterSeq& present = s->get_characters();
            if (std::find(present.begin(), present.end(), chr) != present.end())
                leave_scene(*s, *chr);
        }
        characters.erase(i);
        delete chr;
        signal_characters_changed.emit();
    }
    else if (cmd == Command::ENTER)
    {
        Scene* s = get_scene(pkt.get_parameter(0));
        Character* chr = get_character(origin);
        if (!s || !chr)
            return;
        bool was_empty = s->get_characters().empty();
        s->add_character(chr);
        if (s == active_scene)
        {
            signal_activity.emit();
            signal_present_characters_changed.emit();
        }
        else
            raise_activity(*s, 1);
        if (was_empty)
            signal_scene_status_changed.emit();
    }
    else if (cmd == Command::LEAVE)
    {
        Scene* s = get_scene(pkt.get_parameter(0));
        Character* chr = get_character(origin);
        if (!s || !chr)
            return;
        leave_scene(*s, *chr);
    }
    else if (cmd == Command::ONLINE)
    {
        Character* chr = get_character(origin);
        if (!chr)
            return;
        bool online = flag(pkt, 0);
        chr->set_online(online);
        signal_character_status_changed.emit();
        Scene* ooc = get_scene("OOC");
        if (!ooc)
            return;
        ooc->add_line(
            LogLine::EVENT, "*", Kel::format("%s logged %s", chr->get_name(), online ? "in" : "out"));
        if (ooc == active_scene)
            signal_activity.emit();
        else
            raise_activity(*ooc, 1);
    }
    else if (cmd == Command::WRITING)
    {
        Character* chr = get_character(origin);
        if (!chr)
            return;
        chr->set_writing(pkt.get_parameter(0));
        signal_character_status_changed.emit();
    }
    else if (cmd == Command::AFK)
    {
        Character* chr = get_character(origin);
        if (!chr)
            return;
        chr->set_afk(pkt.get_parameter(0));
        signal_character_status_changed.emit();
    }
    else if (cmd == Command::TEXT || cmd == Command::OOC)
    {
        Scene* s = get_scene(pkt.get_parameter(0));
        if (!s)
            return;
        s->add_line(cmd == Command::TEXT ? LogLine::NORMAL : LogLine::OOC, origin, pkt.get_parameter(1));
        if (s == active_scene)
            signal_activity.emit();
        else
            raise_activity(*s, 3);
        wnd_main->set_flash(true);
    }
    else if (cmd == Command::BIOGRAPHY)
    {
        const std::string& text = pkt.get_parameter(0);
        signal_biography_received.emit(origin, text);
        if (!show_bio.empty() && Kel::strcasecmp(origin, show_bio) == 0)
        {
            show_bio.clear();
            message_box(Kel::format("Biography for %s:\n%s", origin, text), Gtk::MESSAGE_INFO);
        }
    }
    else if (cmd == Command::SCENEGROUP)
    {
        Scene* s = get_scene(pkt.get_parameter(0));
        if (!s)
            return;
        s->set_group(pkt.get_parameter(1));
        sort_scenes();
        signal_scenes_changed.emit();
    }
}
