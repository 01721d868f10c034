#ifndef KEL_CORE_APPLICATION_H
#define KEL_CORE_APPLICATION_H

#include "libs/core/source/core/semaphore.h"

#include <atomic>

namespace Kel
{

// Base of the one application class of a program. The class registers itself
// with a static RegApp member; the process entry calls run(), which creates
// the object, runs its main() and turns whatever went wrong into an exit
// status:
//
//     class Game: public Kel::Application
//     {
//     public:
//         Game(int argc, char** argv);
//     private:
//         void tick() override;
//         static RegApp<Game> reg;
//     };
//     Kel::Application::RegApp<Game> Game::reg;
class Application
{
public:
    // How main() paces its turns.
    enum LoopMode
    {
        NONE = 0, // no loop: main() returns 0 at once
        SLEEP = 1, // wait for exit(), induce_tick() or set_loop_mode(), then tick
        TICK_SLEEP = 2, // tick, then sleep one millisecond
        TICK_YIELD = 3, // tick, then yield the processor
        TICK_BUSY = 4 // tick and nothing else
    };

    // The registration that run() creates the application through.
    class RegBase
    {
    public:
        RegBase(const RegBase&) = delete;
        RegBase& operator=(const RegBase&) = delete;

        virtual Application* create_app(int argc, char** argv) = 0;
        virtual void usage(const char* reason, const char* program_name, bool brief) = 0;
        virtual ~RegBase();

    protected:
        // Records this object as the one registration. Runs during static
        // initialisation; a second registration replaces the first with a
        // warning on standard error.
        RegBase();
    };

    // T needs a constructor T(int argc, char** argv). Its static usage() is
    // used if it declares one, otherwise Application::usage().
    template <typename T> class RegApp: public RegBase
    {
    public:
        Application* create_app(int argc, char** argv) override { return new T(argc, argv); }
        void usage(const char* reason, const char* program_name, bool brief) override
        {
            T::usage(reason, program_name, brief);
        }
    };

    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Creates the registered application, runs its main() and deletes it.
    // Returns the exit status: the result of main(); 1 after a UsageError from
    // the constructor; 124 after any other std::exception, reported on
    // standard error; 125 if called before; 126 if nothing is registered.
    static int run(int argc, char** argv, void* data);

    // Writes "UsageError: <reason>" (if reason is not null) and a note that
    // no usage text exists to standard error.
    static void usage(const char* reason, const char* program_name, bool brief);

    // The data given to run().
    static void* get_data();

    // The loop: turns until exit() is called, reading the loop mode afresh
    // each turn, then returns the exit code. Derived classes that override it
    // call this one for the loop.
    virtual int main();

    // Ends the loop at the top of its next turn; main() then returns c. May be
    // called from another thread to end a loop that waits in SLEEP mode, but
    // only once the loop has started: main() clears the request when it
    // starts.
    void exit(int c);

    // In SLEEP mode, wakes a waiting loop for one tick; otherwise does nothing.
    // A wake-up given while the loop is not waiting is lost.
    void induce_tick();

    // Leaving SLEEP mode wakes a waiting loop so that it reads the new mode.
    // Switching to NONE while the loop runs ends it, and main() returns 0.
    void set_loop_mode(LoopMode mode);

    // Makes the virtual sighandler() the process's handler for signal s. The
    // handler runs on whichever thread receives the signal. Calling exit()
    // from it is safe outside SLEEP mode; in SLEEP mode exit() takes a mutex.
    void catch_signal(int s);

protected:
    Application();

    // One turn of the loop's work. Must not block outside SLEEP mode.
    virtual void tick();
    virtual void sighandler(int s);

private:
    static void sighandler_(int s);
    void sleep_turn();
    void wake_sleeper();

    // Written by exit() and set_loop_mode(), possibly from other threads.
    std::atomic<bool> done;
    std::atomic<int> exit_code;
    std::atomic<LoopMode> loop_mode_;
    Semaphore sleep_sem_;

    static Application* app_;
    static RegBase* reg_app_;
    static void* data_;
};

} // namespace Kel

#endif
