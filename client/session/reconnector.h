#ifndef PARLANE_CLIENT_SESSION_RECONNECTOR_H
#define PARLANE_CLIENT_SESSION_RECONNECTOR_H

#include "libs/core/source/time/timedelta.h"
#include "libs/core/source/time/timestamp.h"

#include <string>

// When to try a lost link again: 1, 2, 4, 8 and 16 seconds after the loss
// and after each failed try, then every 30 seconds, until a try succeeds or
// the user connects or disconnects by hand. It only keeps the schedule and
// the address and name to use; the controller makes the tries.
class Reconnector
{
public:
    Reconnector();

    // The wait before try number attempt (counted from 0).
    static Kel::Time::TimeDelta delay(unsigned attempt);

    // The link to address, logged in as name, was lost at now: the first
    // try is due after delay(0).
    void start(const std::string& address, const std::string& name, const Kel::Time::TimeStamp& now);
    // No more tries.
    void stop();
    // A try made at now failed: the next one is due after the next delay.
    // Returns that delay.
    Kel::Time::TimeDelta failed(const Kel::Time::TimeStamp& now);

    bool get_active() const { return active; }
    // Whether a try is due at now; never while inactive.
    bool is_due(const Kel::Time::TimeStamp& now) const { return active && now >= due; }
    // The wait before the next try, as announced to the user.
    Kel::Time::TimeDelta get_next_delay() const { return delay(attempt); }
    const Kel::Time::TimeStamp& get_due() const { return due; }
    unsigned get_attempt() const { return attempt; }
    const std::string& get_address() const { return address; }
    const std::string& get_name() const { return name; }

private:
    bool active;
    unsigned attempt;
    Kel::Time::TimeStamp due;
    std::string address;
    std::string name;
};

#endif
