#ifndef PARLANE_CLIENT_SESSION_PLACES_H
#define PARLANE_CLIENT_SESSION_PLACES_H

#include <string>

// Where the client finds its UI description and icons, keeps its settings
// and writes its scene logs.
//
// A working directory that holds "parlane.glade" is a portable folder: all
// of it stays there ("parlane.conf", "<game>/" below it), as the paths are
// left relative. Otherwise the program is installed: the UI file and icons
// come from "<prefix>/share/parlane", found from the program's own path, the
// settings are "$XDG_CONFIG_HOME/parlane/parlane.conf" and the logs go below
// "$XDG_DATA_HOME/parlane/", with the usual defaults "~/.config" and
// "~/.local/share" where a variable is unset, empty or not absolute.
class Places
{
public:
    // What the choice depends on. from_system() reads it from the process.
    struct Facts
    {
        std::string working_dir; // absolute
        bool ui_in_working_dir = false;
        std::string data_dir; // the installed data folder, absolute
        std::string home; // $HOME, or the password database's when unset
        std::string config_home; // $XDG_CONFIG_HOME as given, maybe empty
        std::string data_home; // $XDG_DATA_HOME as given, maybe empty
    };

    // The folder named data_from_bin relative to the executable's folder
    // (such as "../share/parlane"), the environment and the working
    // directory of this process.
    static Facts from_system(const std::string& data_from_bin);

    // A portable folder in the working directory, with relative paths.
    Places();
    explicit Places(const Facts& facts);

    // Makes the set-up usable or says why it is not: throws Kel::Exception
    // when the UI file is in neither place (naming both), or when the
    // settings or the log folder cannot be created (mode 0700, parents
    // included) or written (naming the folder). A portable folder needs
    // nothing.
    void prepare() const;

    bool is_portable() const { return portable; }
    std::string get_ui_file() const { return get_data_file("parlane.glade"); }
    // A file beside the UI description, such as an icon.
    std::string get_data_file(const std::string& name) const;
    const std::string& get_config_file() const { return config_file; }
    // The folder that holds the game folders; empty: the working directory.
    const std::string& get_log_root() const { return log_root; }
    // The folder of one game's scene logs, its name made safe as a path
    // component: "Lantern Road" → "<log root>/Lantern Road".
    std::string get_game_folder(const std::string& game) const;

    // Two lines that tell the user where the settings and the scene logs
    // are: "Settings: /home/ann/.config/parlane/parlane.conf\n"
    // "Scene logs: /home/ann/.local/share/parlane/<game>/\n".
    std::string describe() const;

    // The places of this run: set once at start, before the controller
    // exists; until then a portable folder.
    static const Places& current();
    static void set_current(const Places& places);

private:
    bool portable;
    std::string working_dir; // empty when not known
    std::string data_dir; // empty: the working directory
    std::string config_file;
    std::string log_root;
};

#endif
