#include "server/access.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"
#include "libs/strings/source/lexicalcast.h"

#include <algorithm>
#include <cstring>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace
{

const unsigned char V4_MAPPED[12] = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff };

unsigned address_bits(int family)
{
    return family == AF_INET ? 32 : 128;
}

} // namespace

const unsigned AccessPolicy::DEFAULT_MAX_PER_ADDRESS;

HostAddress::HostAddress(const sockaddr& address): family(AF_INET), bytes {}
{
    if (address.sa_family == AF_INET)
    {
        const auto& sin = reinterpret_cast<const sockaddr_in&>(address);
        std::memcpy(bytes, &sin.sin_addr, 4);
    }
    else if (address.sa_family == AF_INET6)
    {
        const auto& sin6 = reinterpret_cast<const sockaddr_in6&>(address);
        const unsigned char* raw = sin6.sin6_addr.s6_addr;
        if (std::memcmp(raw, V4_MAPPED, sizeof(V4_MAPPED)) == 0)
            std::memcpy(bytes, raw + 12, 4);
        else
        {
            family = AF_INET6;
            std::memcpy(bytes, raw, 16);
        }
    }
    else
        throw Kel::InvalidParameterValue(Kel::format("Unknown address family %d", address.sa_family));
}

HostAddress::HostAddress(const std::string& text): family(AF_INET), bytes {}
{
    if (inet_pton(AF_INET, text.c_str(), bytes) == 1)
        return;
    in6_addr v6;
    if (inet_pton(AF_INET6, text.c_str(), &v6) != 1)
        throw Kel::InvalidParameterValue(Kel::format("Invalid address '%s'", text));
    sockaddr_in6 sin6 {};
    sin6.sin6_family = AF_INET6;
    sin6.sin6_addr = v6;
    *this = HostAddress(reinterpret_cast<const sockaddr&>(sin6));
}

std::string HostAddress::str() const
{
    char text[INET6_ADDRSTRLEN];
    inet_ntop(family, bytes, text, sizeof(text));
    return text;
}

bool HostAddress::operator<(const HostAddress& other) const
{
    if (family != other.family)
        return family < other.family;
    return std::memcmp(bytes, other.bytes, sizeof(bytes)) < 0;
}

AddressRange::AddressRange(const std::string& text): base("0.0.0.0"), prefix(0)
{
    const std::string::size_type slash = text.find('/');
    try
    {
        base = HostAddress(text.substr(0, slash));
        prefix = address_bits(base.family);
        if (slash != std::string::npos)
        {
            const std::string digits = text.substr(slash + 1);
            if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos)
                throw Kel::InvalidParameterValue("bad prefix");
            prefix = Kel::lexical_cast<unsigned>(digits);
        }
    }
    catch (const Kel::Exception&)
    {
        throw Kel::InvalidParameterValue(Kel::format("Invalid address range '%s'", text));
    }
    if (prefix > address_bits(base.family))
        throw Kel::InvalidParameterValue(Kel::format("Invalid address range '%s'", text));
    // Bits past the prefix are cleared, so that str() shows what matches.
    for (unsigned bit = prefix; bit < 128; ++bit)
        base.bytes[bit / 8] &= static_cast<unsigned char>(~(0x80u >> (bit % 8)));
}

bool AddressRange::contains(const HostAddress& address) const
{
    if (address.family != base.family)
        return false;
    const unsigned whole = prefix / 8, rest = prefix % 8;
    if (std::memcmp(address.bytes, base.bytes, whole) != 0)
        return false;
    if (rest == 0)
        return true;
    const unsigned char mask = static_cast<unsigned char>(0xff00u >> rest);
    return (address.bytes[whole] & mask) == base.bytes[whole];
}

std::string AddressRange::str() const
{
    return Kel::format("%s/%u", base.str(), prefix);
}

AccessPolicy::AccessPolicy(const std::vector<AddressRange>& allow, const std::vector<AddressRange>& game_master,
    unsigned max_per_address):
    allow(allow), game_master(game_master), max_per_address(max_per_address)
{
    if (this->game_master.empty())
        this->game_master = { AddressRange("127.0.0.0/8"), AddressRange("::1") };
}

bool AccessPolicy::may_connect(const HostAddress& address) const
{
    return allow.empty()
        || std::any_of(allow.begin(), allow.end(), [&](const AddressRange& r) { return r.contains(address); });
}

bool AccessPolicy::may_be_game_master(const HostAddress& address) const
{
    return std::any_of(
        game_master.begin(), game_master.end(), [&](const AddressRange& r) { return r.contains(address); });
}

std::string AccessPolicy::describe_game_master() const
{
    std::string text;
    for (const auto& range : game_master)
        text += (text.empty() ? "" : ", ") + range.str();
    return text;
}
