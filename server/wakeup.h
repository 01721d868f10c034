#ifndef PARLANE_SERVER_WAKEUP_H
#define PARLANE_SERVER_WAKEUP_H

#include "libs/io/source/base.h"

// Ends a blocking EventDispatcher::tick from a signal handler: wake() writes
// one byte into a pipe that the dispatcher watches. A signal that arrives
// just before the dispatcher starts to wait is therefore not lost, as it
// would be if the loop relied on the wait being interrupted.
class WakeUp: public Kel::IO::Base
{
public:
    // Throws Kel::SystemError when the pipe cannot be made.
    WakeUp();
    ~WakeUp() override;

    // Safe to call from a signal handler.
    void wake();

    int get_event_handle() override { return read_end; }

protected:
    // Reading empties the pipe: any number of wake-ups count as one.
    unsigned do_read(char* buf, unsigned size) override;
    unsigned do_write(const char* buf, unsigned size) override;
    void on_event(Kel::IO::PollEvent ev) override;

private:
    int read_end;
    int write_end;
};

#endif
