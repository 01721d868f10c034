#ifndef KEL_NET_STREAMSOCKET_H
#define KEL_NET_STREAMSOCKET_H

#include "libs/core/source/time/timedelta.h"
#include "libs/net/source/socket.h"

#include <sigc++/sigc++.h>

namespace Kel
{
namespace Net
{

// A TCP-style connection. A non-blocking connect finishes either through the
// event dispatcher (signal_connect_finished) or by asking poll_connect().
// Once connected it wants input events; output events only while a writer
// has asked for them with start_output_watch().
class StreamSocket: public Socket
{
public:
    StreamSocket(Family family, int protocol);
    // Adopts a connected descriptor, such as one from ServerSocket::accept(),
    // and asks for input events.
    StreamSocket(int handle, const SockAddr& peer);

    // 0 when connected at once (signal_connect_finished(0) has then been
    // emitted), 1 when the connect is under way on a non-blocking socket.
    // Throws Kel::InvalidState "Socket is already connected" on a connected
    // socket and Kel::Exception "Unable to connect: <reason>" when the
    // attempt fails at once.
    int connect(const SockAddr& addr) override;

    // 0 when the pending connect has succeeded within timeout, 1 when it is
    // still under way. A failed connect throws Kel::Exception
    // "Connection failed: <reason>"; without a pending connect it throws
    // Kel::InvalidState "No connection attempt going on".
    // Does not emit signal_connect_finished.
    int poll_connect(const Time::TimeDelta& timeout);

    // While watched, each output readiness the dispatcher reports is passed
    // on as signal_output_ready. Meant for writers that keep bytes the
    // socket did not take; stop as soon as nothing is left, or every tick
    // reports readiness. Starting requires a connected socket.
    void start_output_watch();
    void stop_output_watch();

    bool get_connecting() const { return connecting; }

    // 0 on success, else the platform's error number (such as ECONNREFUSED).
    sigc::signal<void, int> signal_connect_finished;
    sigc::signal<void> signal_output_ready;

protected:
    void on_event(IO::PollEvent ev) override;

private:
    // The pending error of the socket (SO_ERROR), or errno if that cannot be read.
    int take_pending_error();

    bool connecting;
};

} // namespace Net
} // namespace Kel

#endif
