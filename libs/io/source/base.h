#ifndef KEL_IO_BASE_H
#define KEL_IO_BASE_H

#include "libs/io/source/mode.h"
#include "libs/io/source/poll.h"

#include <sigc++/sigc++.h>

#include <memory>
#include <string>

namespace Kel
{
namespace IO
{

// An abstract byte stream: files and sockets are kinds of it. Each kind
// supplies do_read and do_write; Base builds reading and writing on them,
// announces what happens to the object through signals, and keeps the
// readiness events it wants to be told about (see EventDispatcher).
class Base
{
public:
    Base(const Base&) = delete;
    Base& operator=(const Base&) = delete;
    // Emits signal_deleted. A kind's destructor closes the object first.
    virtual ~Base();

    // Does nothing here; kinds that can wait switch non-blocking mode.
    virtual void set_block(bool block);

    // Return the number of bytes accepted: possibly fewer than size, and 0
    // when a non-blocking object would have to wait.
    unsigned write(const char* buf, unsigned size);
    unsigned write(const std::string& data);
    virtual unsigned put(char c);

    // Returns the number of bytes read: 0 at the end of the data (eof() is
    // then true) or when a non-blocking object has nothing yet.
    unsigned read(char* buf, unsigned size);

    // Reads one byte: 0 to 255, or -1 when nothing was read.
    virtual int get();

    // Reads up to a line feed, which is not stored. Returns false when the
    // end of the data had already been reached, or is reached before any
    // byte of the line. A non-blocking object that runs dry mid-line gives
    // true and the partial line.
    virtual bool getline(std::string& line);

    // The descriptor to poll.
    virtual int get_event_handle() = 0;

    // Delivers reported readiness: emits signal_data_available when ev holds
    // P_INPUT, then calls on_event(ev), unless a handler of the signal
    // destroyed the object.
    void event(PollEvent ev);

    bool eof() const { return eof_flag; }
    Mode get_mode() const { return mode; }
    PollEvent get_events() const { return events; }

    sigc::signal<void> signal_data_available;
    sigc::signal<void> signal_end_of_file;
    sigc::signal<void> signal_closing;
    sigc::signal<void> signal_closed;
    sigc::signal<void, PollEvent> signal_events_changed;
    // Emitted when destruction begins, so that observers can forget the object.
    sigc::signal<void> signal_deleted;

protected:
    Base();

    // Stores the wanted events and emits signal_events_changed, also when
    // they did not change. A watching EventDispatcher follows at once.
    void set_events(PollEvent e);

    // For kinds built on a descriptor: clears O_NONBLOCK on fd if block,
    // sets it otherwise, keeps the other status flags, and makes M_NONBLOCK
    // in mode match. A failing fcntl throws SystemError(failure, errno) and
    // leaves mode as it was.
    void set_descriptor_block(int fd, bool block, const char* failure);

    // Readiness reported for the object; does nothing here.
    virtual void on_event(PollEvent ev);

    virtual unsigned do_write(const char* buf, unsigned size) = 0;
    virtual unsigned do_read(char* buf, unsigned size) = 0;

    Mode mode;
    PollEvent events;
    bool eof_flag;

private:
    // Cleared by the destructor; event() holds a copy to notice that a signal
    // handler destroyed the object.
    std::shared_ptr<bool> alive_;
};

} // namespace IO
} // namespace Kel

#endif
