#ifndef PARLANE_SERVER_OUTBOX_H
#define PARLANE_SERVER_OUTBOX_H

class Packet;

// Identifies one client connection for the life of the server; numbers are
// never reused, so a stale number can never reach another client.
typedef unsigned long ClientId;

// Where RequestHandler puts what it has to say. The network layer delivers
// to sockets; tests record.
class Outbox
{
public:
    virtual ~Outbox() { }

    // Queues one packet for a client. A client that has gone, or is being
    // closed, silently receives nothing.
    virtual void send(ClientId to, const Packet& packet) = 0;

    // Closes the client's connection once what was queued for it has been
    // handed to the socket. The handler has already forgotten the client.
    virtual void close(ClientId client) = 0;
};

#endif
