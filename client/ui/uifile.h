#ifndef PARLANE_CLIENT_UI_UIFILE_H
#define PARLANE_CLIENT_UI_UIFILE_H

#include "libs/core/source/core/except.h"
#include "libs/strings/source/formatter.h"

#include <libglademm/xml.h>

#include <string>

// Widgets that the code relies on must be in "parlane.glade" and of the
// right kind; libglademm only returns null and warns. These fetchers throw
// instead, so a damaged UI description stops the start-up with its reason.

template <typename T>
T* fetch_widget(const Glib::RefPtr<Gnome::Glade::Xml>& xml, const std::string& name, T*& widget)
{
    xml->get_widget(name, widget);
    if (!widget)
        throw Kel::Exception(Kel::format("The UI description has no widget %s of the expected kind", name));
    return widget;
}

template <typename T>
T* fetch_derived(const Glib::RefPtr<Gnome::Glade::Xml>& xml, const std::string& name, T*& widget)
{
    xml->get_widget_derived(name, widget);
    if (!widget)
        throw Kel::Exception(Kel::format("The UI description has no widget %s of the expected kind", name));
    return widget;
}

#endif
