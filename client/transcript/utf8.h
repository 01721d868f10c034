#ifndef PARLANE_CLIENT_TRANSCRIPT_UTF8_H
#define PARLANE_CLIENT_TRANSCRIPT_UTF8_H

#include <cstddef>
#include <string>

// UTF-8 for text read back from log files, which hold whatever the server
// relayed: nothing here assumes that the bytes are valid.
namespace Transcript
{

// The length of the valid UTF-8 sequence at [p, end) and its code point in
// cp; 0 when the bytes there are not one (a stray continuation byte, an
// overlong form, a surrogate, a sequence cut short by end).
std::size_t decode_utf8(const char* p, const char* end, char32_t& cp);
// Appends cp in UTF-8.
void append_utf8(std::string& out, char32_t cp);
// Each byte that is not part of a valid sequence becomes U+FFFD; valid text
// comes back unchanged. "caf\xE9" -> "caf\xEF\xBF\xBD".
std::string valid_utf8(const std::string& text);

} // namespace Transcript

#endif
