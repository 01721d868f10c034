#ifndef PARLANE_CLIENT_SESSION_REQUESTS_H
#define PARLANE_CLIENT_SESSION_REQUESTS_H

#include "libs/core/source/time/timestamp.h"

#include <sigc++/trackable.h>

#include <string>

class Packet;
class Session;

// Where requests go: the connection, when there is one.
class PacketSink
{
public:
    virtual ~PacketSink() { }
    // Sends pkt if connected; otherwise does nothing. Never throws.
    virtual void send(const Packet& pkt) = 0;
    virtual bool is_connected() const = 0;
};

// The user's requests to the server, built from the session's state, and
// the "writing" indicator that the user's typing keeps up.
class Requests: public sigc::trackable
{
public:
    Requests(Session& s, PacketSink& sink);
    Requests(const Requests&) = delete;
    Requests& operator=(const Requests&) = delete;

    void send(const Packet& pkt);
    bool is_connected() const;

    // Says text in the scene under the name spoken as: a TEXT packet, or an
    // OOC one. Text the server would refuse (too long, control characters,
    // not UTF-8) is reported through the session's error signal instead,
    // and so are names of new characters, scenes and groups below.
    void say(const std::string& sname, const std::string& speaker, const std::string& text);
    void say_ooc(const std::string& sname, const std::string& text);

    void start_session(const std::string& n);
    void end_session();
    // An empty message means back at the keyboard.
    void set_afk(const std::string& msg);
    // Called with true on every key press: the first sends WRITING; it lapses
    // ten seconds after the last call (see lapse_writing), or at once with
    // false. Switching scenes ends it too. Without a link nothing starts:
    // the server would not know of it.
    void set_writing(bool w);
    // The link is gone, and the server forgot the indicator with it: the
    // next key press after a new login announces it again.
    void forget_writing() { writing = false; }
    // Ends the writing indicator once its time is up.
    void lapse_writing(const Kel::Time::TimeStamp& now);
    bool get_writing() const { return writing; }
    // Whether others are told that the user is typing; true at first.
    void set_send_writing(bool send) { send_writing = send; }
    const Kel::Time::TimeStamp& get_write_timeout() const { return write_timeout; }
    // The client switches to n once the server has made it.
    void add_scene(const std::string& n, bool t);
    void remove_scene(const std::string& n);
    // The client switches to the new name once the server has renamed it.
    void rename_scene(const std::string& sname, const std::string& new_name);
    void set_scene_group(const std::string& sname, const std::string& group);
    void add_npc(const std::string& npc);
    void remove_character(const std::string& cname);
    void query_character(const std::string& cname);
    void get_character_biography(const std::string& cname);
    // As get_character_biography, and shows the answer.
    void show_character_biography(const std::string& cname);
    // Sent only for the user's own character, or by the game master.
    void set_character_biography(const std::string& cname, const std::string& bio);

private:
    // Reports a non-empty reason and returns true.
    bool refused(const std::string& reason);

    Session& session;
    PacketSink& sink;
    bool writing;
    bool send_writing;
    Kel::Time::TimeStamp write_timeout;
};

#endif
