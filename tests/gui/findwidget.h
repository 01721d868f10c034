#ifndef PARLANE_TESTS_GUI_FINDWIDGET_H
#define PARLANE_TESTS_GUI_FINDWIDGET_H

#include <gtk/gtk.h>
#include <gtkmm/widget.h>

#include <string>

// Finds the widget that the UI description names `name` below `top`, as
// libglade names every widget by its id. Looks into internal children and
// into the submenus of menu items. Null if there is none or it is not a T.
namespace GuiTest
{

inline GtkWidget* find_gtk_widget(GtkWidget* top, const std::string& name)
{
    if (name == gtk_widget_get_name(top))
        return top;
    GtkWidget* found = nullptr;
    if (GTK_IS_MENU_ITEM(top))
    {
        GtkWidget* submenu = gtk_menu_item_get_submenu(GTK_MENU_ITEM(top));
        if (submenu && (found = find_gtk_widget(submenu, name)))
            return found;
    }
    if (GTK_IS_CONTAINER(top))
    {
        GList* children = gtk_container_get_children(GTK_CONTAINER(top));
        for (GList* i = children; i && !found; i = i->next)
            found = find_gtk_widget(GTK_WIDGET(i->data), name);
        g_list_free(children);
    }
    return found;
}

template <typename T> T* find_widget(Gtk::Widget& top, const std::string& name)
{
    GtkWidget* found = find_gtk_widget(top.gobj(), name);
    return found ? dynamic_cast<T*>(Glib::wrap(found)) : nullptr;
}

} // namespace GuiTest

#endif
