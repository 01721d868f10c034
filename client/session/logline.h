#ifndef PARLANE_CLIENT_SESSION_LOGLINE_H
#define PARLANE_CLIENT_SESSION_LOGLINE_H

#include <string>

// One line of a scene's log as it is kept in memory and shown.
struct LogLine
{
    enum Type : int
    {
        NORMAL = 0, // in-character text
        OOC = 1, // out-of-character remark
        EVENT = 2, // a notice made by the client; its name is "*"
        // The kinds below are local to this client: shown, never written to
        // a log file, and they do not raise a scene's activity.
        NOTICE = 3, // the client's own word to the user (connection state, hints)
        PROBLEM = 4, // a fault in what the user typed; drawn in the error colour
        SEPARATOR = 5 // the rule between lines restored from the log file and new ones
    };

    LogLine(Type t, const std::string& s, const std::string& n, const std::string& e, bool m = false):
        type(t), mention(m), earlier(false), timestamp(s), name(n), text(e)
    {
    }

    bool is_local() const { return type >= NOTICE; }

    Type type;
    bool mention; // said by someone else to the user (see Mentions)
    bool earlier; // restored from the scene's log file at start: drawn dimmed
    std::string timestamp; // time of day, "%H:%M:%S"
    std::string name; // who said it
    std::string text; // as received, "$me$" placeholders included
};

#endif
