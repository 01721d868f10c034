#ifndef PARLANE_TESTS_GUI_TOOLKITWARNINGS_H
#define PARLANE_TESTS_GUI_TOOLKITWARNINGS_H

#include <glib.h>

#include <cstring>
#include <string>
#include <vector>

namespace GuiTest
{

// Records every warning and critical message that GLib, GTK, GDK or Pango
// log while it lives, instead of printing them; the toolkit complains this
// way about text that is not UTF-8. Pango logs through the structured
// writer, which bypasses per-domain handlers and can be replaced only once
// per process, so one writer is installed for good and hands the messages to
// whichever ToolkitWarnings is alive. Not nestable.
class ToolkitWarnings
{
public:
    ToolkitWarnings()
    {
        install_writer();
        active() = this;
    }

    ~ToolkitWarnings() { active() = nullptr; }

    ToolkitWarnings(const ToolkitWarnings&) = delete;
    ToolkitWarnings& operator=(const ToolkitWarnings&) = delete;

    // "<domain>: <message>" for each one, oldest first.
    std::vector<std::string> messages;

private:
    static ToolkitWarnings*& active()
    {
        static ToolkitWarnings* current = nullptr;
        return current;
    }

    static void install_writer()
    {
        static bool installed = false;
        if (installed)
            return;
        installed = true;
        g_log_set_writer_func(&ToolkitWarnings::write, nullptr, nullptr);
    }

    static GLogWriterOutput write(GLogLevelFlags level, const GLogField* fields, gsize count, gpointer data)
    {
        ToolkitWarnings* self = active();
        if (!self || !(level & (G_LOG_LEVEL_ERROR | G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)))
            return g_log_writer_default(level, fields, count, data);
        std::string domain;
        std::string message;
        for (gsize i = 0; i < count; ++i)
        {
            const GLogField& f = fields[i];
            if (!f.value)
                continue;
            std::string value = f.length < 0 ? std::string(static_cast<const char*>(f.value))
                                             : std::string(static_cast<const char*>(f.value), f.length);
            if (std::strcmp(f.key, "GLIB_DOMAIN") == 0)
                domain = value;
            else if (std::strcmp(f.key, "MESSAGE") == 0)
                message = value;
        }
        self->messages.push_back(domain + ": " + message);
        return G_LOG_WRITER_HANDLED;
    }
};

} // namespace GuiTest

#endif
