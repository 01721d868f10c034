#ifndef KEL_NET_SOCKET_H
#define KEL_NET_SOCKET_H

#include "libs/io/source/base.h"
#include "libs/net/source/constants.h"
#include "libs/net/source/sockaddr.h"

#include <sys/socket.h>

namespace Kel
{
namespace Net
{

// A socket descriptor as an I/O object: reads and writes go through recv and
// send once it is connected. Kinds decide how it gets connected.
class Socket: public IO::Base
{
public:
    // Throws Kel::SystemError when the descriptor cannot be created.
    Socket(Family family, int type, int protocol);
    // Adopts a descriptor that is already connected to peer; the socket owns
    // it from now on and closes it.
    Socket(int handle, const SockAddr& peer);
    ~Socket() override;

    void set_block(bool block) override;
    int get_event_handle() override;

    // 0 when connected at once, 1 when the connection is under way.
    virtual int connect(const SockAddr& addr) = 0;

    void bind(const SockAddr& addr);
    // Leaves the dispatcher's poll set, then closes. Closing twice does nothing.
    void close();
    // getsockopt on the descriptor; returns its result (-1 with errno set).
    int get_option(int level, int name, void* value, socklen_t* length);
    // setsockopt on the descriptor; throws Kel::SystemError when it fails.
    void set_option(int level, int name, const void* value, socklen_t length);

    bool get_connected() const { return connected; }
    // Throws Kel::InvalidState "Local address not set" when there is none.
    const SockAddr& get_local_address() const;
    // Throws Kel::InvalidState "Peer address not set" when there is none.
    const SockAddr& get_peer_address() const;

protected:
    enum Requirement
    {
        R_OPEN,
        R_CONNECTED
    };

    // Throws Kel::Exception "Socket is closed" or "Socket is not connected".
    void check_state(Requirement requirement) const;
    // Takes the local address from getsockname; left unset for families
    // that SockAddr cannot represent.
    void update_local_address();

    // 0 when a non-blocking socket has nothing; also 0 at end of data, which
    // is announced once through signal_end_of_file.
    unsigned do_read(char* buf, unsigned size) override;
    // The count the kernel took, possibly short; 0 when it would block.
    unsigned do_write(const char* buf, unsigned size) override;

    int handle;
    bool connected;
    SockAddr* local_addr; // owned, may be null
    SockAddr* peer_addr; // owned, may be null
};

} // namespace Net
} // namespace Kel

#endif
