// Parses one line as a Packet. A line either is malformed (the one expected
// exception) or gives a packet whose line form parses back to the same
// packet.

#include "common/packet.h"

#include "libs/core/source/core/except.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace
{

void check(bool condition, const char* what)
{
    if (!condition)
    {
        std::cerr << "Packet: " << what << std::endl;
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string line(reinterpret_cast<const char*>(data), size);

    Packet packet;
    try
    {
        packet = Packet(line);
    }
    catch (const Kel::InvalidParameterValue& e)
    {
        check(std::strcmp(e.what(), "Malformed packet") == 0, "unexpected message for a bad line");
        return 0;
    }

    const std::string& command = packet.get_command();
    check(command.find_first_of(";|") == std::string::npos, "command word holds a separator");
    check(packet.get_origin().find_first_of(";|") == std::string::npos, "origin holds a separator");
    for (unsigned i = 0; i < packet.get_parameter_count(); ++i)
    {
        const std::string& parameter = packet.get_parameter(i);
        check(parameter.find('\a') == std::string::npos, "BEL left in a parameter");
        if (i + 1 < packet.get_parameter_count())
            check(
                parameter.find_first_of(";|") == std::string::npos, "separator inside an earlier parameter");
    }
    try
    {
        packet.get_parameter(packet.get_parameter_count());
        check(false, "index past the end accepted");
    }
    catch (const Kel::InvalidParameterValue&)
    {
    }

    const std::string form = packet.str();
    check(Packet(form) == packet, "line form does not parse back to the packet");
    check(Packet(form).str() == form, "line form not stable");
    check(Packet::unescape(Packet::escape(line)).find('\a') == std::string::npos, "unescape left BEL");
    return 0;
}
