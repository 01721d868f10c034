#ifndef PARLANE_CLIENT_UI_UTF8_H
#define PARLANE_CLIENT_UI_UTF8_H

#include <glibmm/ustring.h>

#include <string>

// Text from the network may hold anything; the toolkit accepts only UTF-8,
// and some characters make it lay out text wider than the X server can
// draw (a line of a thousand tabs ends the program with an X error). Every
// string that comes from the server passes through one of these before it
// is shown.

// Each byte that does not belong to a valid UTF-8 sequence becomes U+FFFD,
// and so does every control character except line feed; a tab becomes one
// blank. "caf\xE9\t!" -> "caf\xEF\xBF\xBD !".
Glib::ustring display_text(const std::string& raw);
// As display_text, for text shown on one line (a line feed becomes U+FFFD
// too), cut with "…" after length characters.
Glib::ustring display_cut(const std::string& raw, Glib::ustring::size_type length);
// display_cut after NAME_LENGTH characters: for names, titles and labels.
Glib::ustring display_name(const std::string& raw);

inline constexpr Glib::ustring::size_type NAME_LENGTH = 64;

#endif
