#include "client/ui/notifier.h"

#include "client/parlane.h"
#include "client/session/markup.h"
#include "client/ui/utf8.h"

#include <iostream>

namespace
{

// Characters of a line shown in a notification.
const Glib::ustring::size_type BODY_LENGTH = 300;

} // namespace

Notifier::Notifier(Gtk::Window& w): parlane(Parlane::instance()), window(w), available(true)
{
    if (!notify_is_initted())
        notify_init("Parlane");
    parlane.get_session_model().signal_said.connect(sigc::mem_fun(*this, &Notifier::said));
}

Notifier::~Notifier()
{
    for (auto& entry : shown)
        if (entry.second.note)
            g_object_unref(entry.second.note);
}

bool Notifier::wanted(const Scene& scene, const LogLine& line) const
{
    if (!available || window.property_has_toplevel_focus())
        return false;
    switch (parlane.get_config().get_notify())
    {
    case Config::NOTIFY_NONE:
        return false;
    case Config::NOTIFY_MENTIONS:
        return line.mention;
    case Config::NOTIFY_ALL:
        break;
    }
    const Character* own = parlane.get_character(parlane.get_name());
    return line.mention || (own && parlane.get_session_model().is_present(scene, *own));
}

void Notifier::said(const Scene& scene, const LogLine& line)
{
    if (!wanted(scene, line))
        return;
    std::string body = line.type == LogLine::OOC ? line.name + ": " + line.text
                                                 : Markup::render_said(line.text, line.name).text;
    show(scene.get_name(), display_name(line.name) + " in " + display_name(scene.get_name()),
        display_cut(body, BODY_LENGTH));
}

void Notifier::show(const std::string& scene, const std::string& summary, const std::string& body)
{
    Shown& entry = shown[scene];
    if (!entry.note)
    {
        entry.owner = this;
        entry.scene = scene;
        entry.note = notify_notification_new(summary.c_str(), body.c_str(), nullptr);
        notify_notification_add_action(entry.note, "default", "Show", &Notifier::activated, &entry, nullptr);
    }
    else
        notify_notification_update(entry.note, summary.c_str(), body.c_str(), nullptr);

    GError* error = nullptr;
    if (notify_notification_show(entry.note, &error))
        return;
    available = false;
    std::cout << "Desktop notifications are not available: " << (error ? error->message : "no reason given")
              << std::endl;
    if (error)
        g_error_free(error);
}

void Notifier::activated(NotifyNotification*, char*, gpointer data)
{
    Shown& entry = *static_cast<Shown*>(data);
    if (Scene* scene = entry.owner->parlane.get_scene(entry.scene))
        entry.owner->parlane.set_active_scene(scene);
    entry.owner->window.present();
}
