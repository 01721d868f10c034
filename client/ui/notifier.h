#ifndef PARLANE_CLIENT_UI_NOTIFIER_H
#define PARLANE_CLIENT_UI_NOTIFIER_H

#include "client/session/logline.h"

#include <gtkmm/window.h>
#include <libnotify/notify.h>

#include <map>
#include <string>

class Parlane;
class Scene;

// Desktop notifications, through the session's notification service, for
// lines said while the main window does not have the focus: lines that
// speak to the user, or with the setting "all" every line in a scene the
// user is in. Each scene has at most one notification on screen, the newest
// replacing the one before; activating it raises the window on that scene.
// Without a notification service nothing pops up and one line on standard
// output says why.
class Notifier: public sigc::trackable
{
public:
    explicit Notifier(Gtk::Window& w);
    ~Notifier();
    Notifier(const Notifier&) = delete;
    Notifier& operator=(const Notifier&) = delete;

private:
    struct Shown
    {
        Notifier* owner;
        std::string scene;
        NotifyNotification* note; // a reference held, or null
    };

    void said(const Scene& scene, const LogLine& line);
    bool wanted(const Scene& scene, const LogLine& line) const;
    void show(const std::string& scene, const std::string& summary, const std::string& body);
    static void activated(NotifyNotification* note, char* action, gpointer data);

    Parlane& parlane;
    Gtk::Window& window;
    std::map<std::string, Shown> shown; // by scene name
    bool available;
};

#endif
