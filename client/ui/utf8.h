#ifndef PARLANE_CLIENT_UI_UTF8_H
#define PARLANE_CLIENT_UI_UTF8_H

#include <glibmm/ustring.h>

#include <string>

// Text from the network may be in any encoding; the toolkit accepts only
// UTF-8 and drops or warns about anything else. Every string that comes from
// the server passes through here before it is shown: each byte that does not
// belong to a valid UTF-8 sequence becomes U+FFFD, the rest is unchanged.
// Embedded NUL bytes are replaced too. "caf\xE9" -> "caf\xEF\xBF\xBD".
Glib::ustring display_text(const std::string& raw);

#endif
