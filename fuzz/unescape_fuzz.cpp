// Kel::c_unescape on arbitrary text, and c_escape followed by c_unescape,
// which must give back the input.

#include "libs/strings/source/utils.h"

#include "libs/core/source/core/except.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <string>

namespace
{

void check(bool condition, const char* what)
{
    if (!condition)
    {
        std::cerr << "c_unescape: " << what << std::endl;
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);

    try
    {
        const std::string plain = Kel::c_unescape(text);
        // Every escape takes at least two bytes for one byte out.
        check(plain.size() <= text.size(), "output longer than input");
        if (text.find('\\') == std::string::npos)
            check(plain == text, "text without backslash changed");
    }
    catch (const Kel::InvalidParameterValue&)
    {
    }

    for (bool escape_8bit : { false, true })
    {
        const std::string escaped = Kel::c_escape(text, escape_8bit);
        for (char c : escaped)
        {
            const unsigned char byte = static_cast<unsigned char>(c);
            check(byte >= 32 && (byte < 128 || !escape_8bit), "control byte left by c_escape");
        }
        check(Kel::c_unescape(escaped) == text, "c_unescape does not undo c_escape");
    }
    return 0;
}
