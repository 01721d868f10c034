#ifndef PARLANE_SERVER_LOGTEXT_H
#define PARLANE_SERVER_LOGTEXT_H

#include <string>

// Text that a client wrote (a name, a command, a line), made fit for one
// line of the server's log: control characters, C0 and C1 alike, which a
// terminal showing the log would obey, the line and paragraph separators,
// and bytes that are not UTF-8 are
// written as "\xHH" per byte, and a backslash as "\\", so that the log
// cannot be given a forged line and still tells every byte that came.
// "a\nb" → "a\x0ab"; "\xff" → "\xff"; "é" stays "é".
std::string log_text(const std::string& text);

#endif
