#ifndef PARLANE_CLIENT_TRANSCRIPT_UTF8_H
#define PARLANE_CLIENT_TRANSCRIPT_UTF8_H

#include <string>

// Encoding code points as UTF-8 (ChatText::decode_utf8 reads them back).
namespace Transcript
{

// Appends cp in UTF-8.
void append_utf8(std::string& out, char32_t cp);

} // namespace Transcript

#endif
