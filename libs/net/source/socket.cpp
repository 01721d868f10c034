#include "libs/net/source/socket.h"

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace Kel
{
namespace Net
{

Socket::Socket(Family family, int type, int protocol):
    handle(::socket(family, type, protocol)), connected(false), local_addr(nullptr), peer_addr(nullptr)
{
    if (handle < 0)
        throw SystemError("Can't create socket", errno);
}

Socket::Socket(int handle, const SockAddr& peer):
    handle(handle), connected(true), local_addr(nullptr), peer_addr(peer.copy())
{
    update_local_address();
}

Socket::~Socket()
{
    close();
}

void Socket::set_block(bool block)
{
    set_descriptor_block(handle, block, "Can't change the blocking mode of a socket");
}

int Socket::get_event_handle()
{
    return handle;
}

void Socket::bind(const SockAddr& addr)
{
    check_state(R_OPEN);
    sockaddr_storage storage;
    sockaddr& sa = reinterpret_cast<sockaddr&>(storage);
    unsigned length = addr.fill_sockaddr(sa);
    if (::bind(handle, &sa, length) < 0)
        throw Exception(format("Unable to bind: %s", std::strerror(errno)));
    delete local_addr;
    local_addr = nullptr;
    local_addr = addr.copy();
}

void Socket::close()
{
    if (handle < 0)
        return;
    set_events(IO::P_NONE);
    signal_closing.emit();
    ::close(handle);
    handle = -1;
    signal_closed.emit();
    delete local_addr;
    local_addr = nullptr;
    delete peer_addr;
    peer_addr = nullptr;
}

int Socket::get_option(int level, int name, void* value, socklen_t* length)
{
    return getsockopt(handle, level, name, value, length);
}

void Socket::set_option(int level, int name, const void* value, socklen_t length)
{
    if (setsockopt(handle, level, name, value, length) < 0)
        throw SystemError("Can't set socket option", errno);
}

const SockAddr& Socket::get_local_address() const
{
    if (!local_addr)
        throw InvalidState("Local address not set");
    return *local_addr;
}

const SockAddr& Socket::get_peer_address() const
{
    if (!peer_addr)
        throw InvalidState("Peer address not set");
    return *peer_addr;
}

void Socket::check_state(Requirement requirement) const
{
    if (handle < 0)
        throw Exception("Socket is closed");
    if (requirement == R_CONNECTED && !connected)
        throw Exception("Socket is not connected");
}

void Socket::update_local_address()
{
    sockaddr_storage storage;
    std::memset(&storage, 0, sizeof(storage));
    socklen_t length = sizeof(storage);
    sockaddr& sa = reinterpret_cast<sockaddr&>(storage);
    SockAddr* found = nullptr;
    if (getsockname(handle, &sa, &length) == 0 && sa.sa_family == AF_INET)
        found = SockAddr::create(sa);
    delete local_addr;
    local_addr = found;
}

unsigned Socket::do_read(char* buf, unsigned size)
{
    check_state(R_CONNECTED);
    if (size == 0)
        return 0;
    ssize_t count = recv(handle, buf, size, 0);
    if (count < 0)
    {
        int err = errno;
        // EINTR: a blocking read was cut short by a signal before any data.
        if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
            return 0;
        throw Exception(format("Reading from socket failed: %s", std::strerror(err)));
    }
    if (count == 0)
    {
        if (!eof_flag)
        {
            // The state is final before anyone hears of it: a receiver may
            // close or delete the socket.
            eof_flag = true;
            set_events(IO::P_NONE);
            signal_end_of_file.emit();
        }
        return 0;
    }
    return static_cast<unsigned>(count);
}

unsigned Socket::do_write(const char* buf, unsigned size)
{
    check_state(R_CONNECTED);
    if (size == 0)
        return 0;
    // MSG_NOSIGNAL: a peer that has gone must give an error, not SIGPIPE,
    // which would end the process.
    ssize_t count = send(handle, buf, size, MSG_NOSIGNAL);
    if (count < 0)
    {
        int err = errno;
        if (err == EAGAIN || err == EWOULDBLOCK || err == EINTR)
            return 0;
        throw Exception(format("Writing to socket failed: %s", std::strerror(err)));
    }
    return static_cast<unsigned>(count);
}

} // namespace Net
} // namespace Kel
