#ifndef PARLANE_CLIENT_PARLANE_H
#define PARLANE_CLIENT_PARLANE_H

#include "client/interpreter/interpreter.h"
#include "client/session/config.h"
#include "client/session/packethandler.h"
#include "client/session/reconnector.h"
#include "client/session/requests.h"
#include "client/session/session.h"
#include "libs/core/source/core/application.h"
#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"
#include "libs/core/source/time/units.h"
#include "libs/io/source/eventdispatcher.h"

#include <sigc++/signal.h>

#include <string>

class Connection;
class Frontend;

// The chat client's application object: it owns the connection, the session
// model, the requests and the line interpreter, runs the program's loop, and
// forwards the windows' calls to them. It never calls a window: whatever the
// user must see reaches the windows through the model's signals, which it
// offers under the same names. Exactly one exists per process: reach it
// through instance().
class Parlane: public Kel::Application, private PacketSink, private InterpreterPort
{
public:
    // Starts the toolkit from the command line and builds the windows (see
    // make_frontend, which throws when the UI description is unusable).
    Parlane(int argc, char** argv);
    ~Parlane() override;
    Parlane(const Parlane&) = delete;
    Parlane& operator=(const Parlane&) = delete;

    static Parlane& instance();

    // Shows the main window, loads the configuration, runs the loop, saves
    // the configuration and discards the model. Returns the exit code.
    int main() override;
    // One loop turn: toolkit events, the socket, a stale connection, and the
    // lapse of the writing indicator. A turn after one in which nothing came
    // from the server first sleeps until the toolkit or the socket has
    // something or next_deadline() has come; otherwise it never waits.
    // Toolkit work that the user waits for is done at once; background work
    // (laying out off the screen) gets BACKGROUND_SLICE of a turn, and while
    // the server keeps sending, one round every BACKGROUND_DELAY.
    void tick() override;
    // When the next timed work of tick is due: the lapse of the writing
    // indicator, or LONGEST_WAIT from now when nothing is. The toolkit's own
    // timers wake the loop by themselves.
    Kel::Time::TimeStamp next_deadline() const;

    // How long the connect wait sleeps between looks at the connection.
    static constexpr Kel::Time::TimeDelta IDLE_WAIT = 10 * Kel::Time::msec;
    static constexpr Kel::Time::TimeDelta LONGEST_WAIT = 60 * Kel::Time::sec;
    static constexpr Kel::Time::TimeDelta BACKGROUND_SLICE = 10 * Kel::Time::msec;
    static constexpr Kel::Time::TimeDelta BACKGROUND_DELAY = 500 * Kel::Time::msec;
    // The connection reads at most 1 KiB a call; a turn makes up to this many
    // calls while the server has more to say, so that a burst or a long line
    // does not take a turn for every kilobyte.
    static constexpr int MAX_READS = 64;

    // Drops any present connection and any tries to connect again, then
    // connects and logs in as n, serving the toolkit while
    // signal_connecting holds. The model stays as it is until the server
    // answers the login: a refusal leaves it untouched (signal_login_refused);
    // an accepted login to the address and name the model came from keeps
    // scenes, backlogs and characters, any other starts a new model.
    // Failures reach signal_error, they are not thrown.
    void connect(const std::string& address, const std::string& n);
    // Gives up a connection attempt that connect is waiting for.
    void cancel_connection();
    // Deletes the connection, stops any tries to connect again, marks every
    // character offline and forgets the game and session. Scenes and
    // characters stay.
    void disconnect();

    // A link that ended without the user asking is tried again after these
    // waits (see Reconnector); a try's connect may take this long.
    static constexpr Kel::Time::TimeDelta CONNECT_BOUND = 5 * Kel::Time::sec;
    // A server that has not answered a login by then is not a chat server.
    static constexpr Kel::Time::TimeDelta LOGIN_BOUND = 10 * Kel::Time::sec;
    // How often a connect that has not finished yet is checked.
    static constexpr Kel::Time::TimeDelta CONNECT_CHECK = 20 * Kel::Time::msec;
    bool get_reconnecting() const { return session.get_reconnecting(); }
    // Ends the loop after the current turn.
    void quit();

    // Requests to the server (see Requests). Each does nothing without a
    // connection.
    void start_session(const std::string& n) { requests.start_session(n); }
    void end_session() { requests.end_session(); }
    void set_afk(const std::string& msg) { requests.set_afk(msg); }
    void set_writing(bool w) { requests.set_writing(w); }
    void add_scene(const std::string& n, bool t) { requests.add_scene(n, t); }
    void remove_scene(const std::string& n) { requests.remove_scene(n); }
    void set_scene_group(const std::string& sname, const std::string& group)
    {
        requests.set_scene_group(sname, group);
    }
    void add_npc(const std::string& npc) { requests.add_npc(npc); }
    void remove_character(const std::string& cname) { requests.remove_character(cname); }
    void query_character(const std::string& cname) { requests.query_character(cname); }
    void get_character_biography(const std::string& cname) { requests.get_character_biography(cname); }
    void show_character_biography(const std::string& cname) { requests.show_character_biography(cname); }
    void set_character_biography(const std::string& cname, const std::string& bio)
    {
        requests.set_character_biography(cname, bio);
    }

    void set_active_scene(Scene* s) { session.set_active_scene(s); }
    void set_active_name(const std::string& n) { session.set_active_name(n); }
    // Interprets one typed line: a slash command or text for the active scene.
    // False when the line was not taken: a local line says why, and the
    // text stays with the user.
    bool input(const std::string& str) { return interpreter.input(str); }

    static std::string unescape_name(const std::string& n) { return Interpreter::unescape_name(n); }
    static bool scene_compare(const Scene* a, const Scene* b) { return Session::scene_compare(a, b); }

    Character* get_character(const std::string& cname) const { return session.get_character(cname); }
    Scene* get_scene(const std::string& sname) const { return session.get_scene(sname); }

    Session& get_session_model() { return session; }
    Frontend& get_frontend() { return *frontend; }
    Config& get_config() { return config; }
    const Config& get_config() const { return config; }
    const std::string& get_game() const { return session.get_game(); }
    const std::string& get_session() const { return session.get_session(); }
    const std::string& get_name() const { return session.get_name(); }
    const CharacterSeq& get_characters() const { return session.get_characters(); }
    const SceneSeq& get_scenes() const { return session.get_scenes(); }
    Scene* get_active_scene() const { return session.get_active_scene(); }
    const std::string& get_active_name() const { return session.get_active_name(); }
    // True once the server has accepted the login, until the link ends.
    bool is_connected() const override { return conn != nullptr && login == LOGGED_IN; }

private:
    // Declared first: the signals below refer into it.
    Session session;

public:
    // The model's signals (see Session), under the names the windows know.
    sigc::signal<void>& signal_scenes_changed;
    sigc::signal<void>& signal_activity;
    sigc::signal<void>& signal_scene_status_changed;
    sigc::signal<void>& signal_present_characters_changed;
    sigc::signal<void>& signal_scene_activated;
    sigc::signal<void>& signal_characters_changed;
    sigc::signal<void>& signal_character_status_changed;
    sigc::signal<void>& signal_active_name_changed;
    sigc::signal<void>& signal_data_cleared;
    sigc::signal<void>& signal_config_changed;
    sigc::signal<void, const std::string&, const std::string&>& signal_biography_received;
    sigc::signal<void>& signal_game_changed;
    sigc::signal<void>& signal_attention;
    sigc::signal<void, const std::string&, const std::string&>& signal_show_biography;
    sigc::signal<void, const std::string&>& signal_error;
    sigc::signal<void, const std::string&>& signal_notice;
    sigc::signal<void, const std::string&>& signal_edit_biography;
    sigc::signal<void, const std::string&>& signal_status_note;
    // The server refused the login the user asked for, saying why: the
    // model is as it was, and the user may try another name.
    sigc::signal<void, const std::string&> signal_login_refused;
    // At start, with a server address in the settings: the user is asked
    // where to connect.
    sigc::signal<void> signal_connect_wanted;
    // True while connect waits for the server to answer, false once it is
    // over either way.
    sigc::signal<void, bool> signal_connecting;

private:
    void config_changed();
    // Reads while the socket has data, up to MAX_READS reads in one turn.
    void read_burst();
    void packet_available();
    void end_of_file();
    void bad_line(const std::string& reason);
    // Connection made (by the user or a try): sends the login.
    void send_login(const std::string& address, const std::string& n);
    // The first answer to a login decides whether it was accepted.
    bool first_answer(const Packet& pkt);
    // Deadlines and the results of the link's signals, once the connection
    // may be deleted: lost links, refusals, tries to connect again.
    void service_link();
    void link_ended();
    // A login that failed before it was accepted, for the reason given.
    void login_failed(const std::string& message, bool refused);
    void drop_connection();
    // Records why the login failed, unless a reason is recorded already;
    // service_link() ends the link and reports it.
    void fail_login(const std::string& message, bool refused);
    std::string not_a_server() const;
    void stop_reconnecting();
    // PacketSink: a failed send is reported on standard output.
    void send(const Packet& pkt) override;
    // InterpreterPort
    void edit_biography(const std::string& character) override;

    Kel::IO::EventDispatcher event_disp;
    Config config;
    Requests requests;
    Interpreter interpreter;
    PacketHandler packet_handler;
    Connection* conn; // owned; null when not connected
    enum LoginState
    {
        NO_LOGIN,
        CONNECTING, // a try to connect again, under way
        AWAITING_ANSWER, // NAME sent, nothing heard yet
        LOGGED_IN
    };
    LoginState login;
    Kel::Time::TimeStamp login_deadline;
    std::string login_address; // of the login under way
    std::string login_name;
    std::string model_address; // where the model's game is played
    Reconnector reconnector;
    // Set by the connection's signals, acted upon in service_link.
    bool ended;
    bool drop;
    std::string failure;
    bool failure_refused;
    // Whether the last turn handled a packet.
    bool link_busy;
    Kel::Time::TimeStamp last_background;
    Frontend* frontend; // owned

    static Parlane* instance_;
    static Kel::Application::RegApp<Parlane> reg;
};

#endif
