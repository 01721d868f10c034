#ifndef KEL_NET_SERVERSOCKET_H
#define KEL_NET_SERVERSOCKET_H

#include "libs/net/source/socket.h"
#include "libs/net/source/streamsocket.h"

namespace Kel
{
namespace Net
{

// A listening stream socket. After listen() it wants input events: under the
// dispatcher, signal_data_available means that accept() has a connection to
// hand over. It never carries data itself.
class ServerSocket: public Socket
{
public:
    // Address reuse is switched on, so that a restarted server can bind its
    // port again while old connections linger in TIME_WAIT.
    ServerSocket(Family family, int protocol);

    // Call bind() first (port 0 lets the kernel pick; get_local_address()
    // then tells which). Throws Kel::Exception "Unable to listen: <reason>".
    void listen(int backlog);

    // The next waiting connection as a new connected socket owned by the
    // caller, or null when a non-blocking socket has none waiting (or the
    // client gave up before it was taken). Throws Kel::Exception
    // "Unable to accept: <reason>" for other failures.
    StreamSocket* accept();

    // A listening socket does not connect: throws Kel::InvalidState.
    int connect(const SockAddr& addr) override;

    bool get_listening() const { return listening; }

private:
    bool listening;
};

} // namespace Net
} // namespace Kel

#endif
