#ifndef PARLANE_CLIENT_SESSION_CONFIG_H
#define PARLANE_CLIENT_SESSION_CONFIG_H

#include "libs/datafile/source/loader.h"

#include <map>
#include <string>

// The user's settings: the colour of each kind of log text (by role name:
// "text", "name", "other_name", "speech", "ooc", "timestamp", "gm", "event",
// "background", "mention", the background of lines that speak to the user,
// and "error", the client's word on a mistyped line), the background choice,
// name abbreviation, the server and name last used, highlight words, desktop
// notifications, the typing indicator and the number of logged lines a
// scene shows again. Kept in a data file in the text syntax; colours are
// stored as text ("#RRGGBB") and never parsed here.
class Config
{
public:
    // Reads the data file's statements into a Config.
    class Loader: public Kel::DataFile::Loader
    {
    public:
        explicit Loader(Config& conf);

        Config& get_object() { return conf; }

    private:
        void color(const std::string& role, const std::string& colour);

        Config& conf;
    };

    // Sets the defaults; reads nothing.
    explicit Config(const std::string& filename);

    // Overwrites the settings named in the file. A file that cannot be
    // opened is ignored. Errors in the file propagate (ParseError, KeyError,
    // TypeError); the statements before the bad one have taken effect.
    void load();
    // Writes every setting, string values escaped so that they read back
    // exactly. The new content goes to "<filename>.tmp", which then replaces
    // the file, so a failed save leaves the previous file whole.
    void save() const;

    enum Notify
    {
        NOTIFY_MENTIONS, // desktop notifications for lines that speak to the user
        NOTIFY_ALL, // and for every line in a scene the user is in
        NOTIFY_NONE
    };

    const std::string& get_filename() const { return filename; }

    // Any role name is accepted.
    void set_color(const std::string& role, const std::string& colour);
    // Throws Kel::InvalidParameterValue "Unknown color" for a role not in the map.
    const std::string& get_color(const std::string& role) const;

    void set_default_bg(bool value) { default_bg = value; }
    bool get_default_bg() const { return default_bg; }
    bool get_abbreviate_refs() const { return abbreviate_refs; }
    void set_connect_host(const std::string& host) { connect_host = host; }
    const std::string& get_connect_host() const { return connect_host; }
    void set_connect_name(const std::string& name) { connect_name = name; }
    const std::string& get_connect_name() const { return connect_name; }
    // "word1, word2": words that mark a line like the user's own name.
    const std::string& get_highlight_words() const { return highlight_words; }
    // "mentions" (the default), "all" or "none"; anything else reads as
    // the default.
    Notify get_notify() const;
    // Whether others are told that the user is typing.
    bool get_send_writing() const { return send_writing; }
    // Lines of a scene's log file shown again when the client joins a
    // session it has logged before; 0 turns that off.
    unsigned get_restore_lines() const { return restore_lines; }

    // Whether a link that ends without the user asking is tried again.
    bool get_auto_reconnect() const { return auto_reconnect; }

private:
    std::string filename;
    std::map<std::string, std::string> colors;
    bool default_bg;
    bool abbreviate_refs;
    std::string connect_host;
    std::string connect_name;
    std::string highlight_words;
    std::string notify;
    bool send_writing;
    unsigned restore_lines;
    bool auto_reconnect;
};

#endif
