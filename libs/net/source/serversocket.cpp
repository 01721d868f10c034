#include "libs/net/source/serversocket.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <cerrno>
#include <cstring>
#include <memory>

#include <unistd.h>

namespace Kel
{
namespace Net
{

ServerSocket::ServerSocket(Family family, int protocol):
    Socket(family, SOCK_STREAM, protocol), listening(false)
{
    int on = 1;
    set_option(SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on));
}

void ServerSocket::listen(int backlog)
{
    check_state(R_OPEN);
    if (::listen(handle, backlog) < 0)
        throw Exception(format("Unable to listen: %s", std::strerror(errno)));
    listening = true;
    update_local_address();
    set_events(IO::P_INPUT);
}

StreamSocket* ServerSocket::accept()
{
    check_state(R_OPEN);
    if (!listening)
        throw InvalidState("Socket is not listening");

    sockaddr_storage storage;
    std::memset(&storage, 0, sizeof(storage));
    socklen_t length = sizeof(storage);
    sockaddr& sa = reinterpret_cast<sockaddr&>(storage);
    int fd = ::accept(handle, &sa, &length);
    if (fd < 0)
    {
        int err = errno;
        // ECONNABORTED: the client left between the readiness report and
        // now. EINTR: a blocking accept was interrupted. Neither is a fault
        // of the listening socket.
        if (err == EAGAIN || err == EWOULDBLOCK || err == ECONNABORTED || err == EINTR)
            return nullptr;
        throw Exception(format("Unable to accept: %s", std::strerror(err)));
    }

    std::unique_ptr<SockAddr> peer;
    try
    {
        peer.reset(SockAddr::create(sa));
    }
    catch (...)
    {
        ::close(fd);
        throw;
    }
    return new StreamSocket(fd, *peer);
}

int ServerSocket::connect(const SockAddr&)
{
    throw InvalidState("A listening socket cannot connect");
}

} // namespace Net
} // namespace Kel
