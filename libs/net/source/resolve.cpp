#include "libs/net/source/resolve.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <cstring>

#include <netdb.h>

namespace Kel
{
namespace Net
{

namespace
{

// Frees the result list however the caller leaves.
class AddrInfoList
{
public:
    explicit AddrInfoList(addrinfo* list): list(list) { }
    ~AddrInfoList() { freeaddrinfo(list); }
    AddrInfoList(const AddrInfoList&) = delete;
    AddrInfoList& operator=(const AddrInfoList&) = delete;

    const addrinfo* first_of_family(int family) const
    {
        for (const addrinfo* info = list; info; info = info->ai_next)
            if (info->ai_family == family && info->ai_addr)
                return info;
        return nullptr;
    }

private:
    addrinfo* list;
};

} // namespace

SockAddr* resolve(const std::string& address, Family family)
{
    std::string host = address;
    std::string service;
    std::string::size_type colon = address.find(':');
    if (colon != std::string::npos)
    {
        host = address.substr(0, colon);
        service = address.substr(colon + 1);
    }

    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = family;

    addrinfo* list = nullptr;
    int code = getaddrinfo(
        host.empty() ? nullptr : host.c_str(), service.empty() ? nullptr : service.c_str(), &hints, &list);
    if (code != 0)
        throw Exception(format("Can't resolve '%s': %s", host, gai_strerror(code)));
    AddrInfoList results(list);

    const addrinfo* chosen = results.first_of_family(AF_INET);
    if (!chosen)
        throw InvalidParameterValue("Unknown address family");
    return SockAddr::create(*chosen->ai_addr);
}

} // namespace Net
} // namespace Kel
