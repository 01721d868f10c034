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
        EVENT = 2 // a notice made by the client; its name is "*"
    };

    LogLine(Type t, const std::string& s, const std::string& n, const std::string& e, bool m = false):
        type(t), mention(m), timestamp(s), name(n), text(e)
    {
    }

    Type type;
    bool mention; // said by someone else to the user (see Mentions)
    std::string timestamp; // time of day, "%H:%M:%S"
    std::string name; // who said it
    std::string text; // as received, "$me$" placeholders included
};

#endif
