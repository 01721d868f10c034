#include "client/ui/colordialog.h"

#include "client/ui/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/colorbutton.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace
{

const char* const ROLES[]
    = { "text", "name", "other_name", "speech", "gm", "ooc", "event", "timestamp", "background" };

class ColorDialogTest: public GuiTest::SessionTest
{
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        // Lambdas are not trackable: these must go before the fixture does.
        watch_responses = dialog.signal_response().connect([this](int id) { responses.push_back(id); });
        watch_config = parlane.signal_config_changed.connect([this] { ++announcements; });
    }

    void TearDown() override
    {
        watch_responses.disconnect();
        watch_config.disconnect();
        dialog.hide();
        SessionTest::TearDown();
    }

    Gtk::ColorButton& button(const std::string& role)
    {
        return *GuiTest::find_widget<Gtk::ColorButton>(dialog, "cbt_" + role);
    }
    Gtk::CheckButton& default_bg()
    {
        return *GuiTest::find_widget<Gtk::CheckButton>(dialog, "chk_default_bg");
    }

    std::string shown(const std::string& role)
    {
        Gdk::Color c = button(role).get_color();
        char text[8];
        std::snprintf(
            text, sizeof text, "#%02X%02X%02X", c.get_red() >> 8, c.get_green() >> 8, c.get_blue() >> 8);
        return text;
    }

    void set(const std::string& role, unsigned short r, unsigned short g, unsigned short b)
    {
        Gdk::Color color;
        color.set_rgb(r, g, b);
        button(role).set_color(color);
    }

    // Runs the colour menu action, answering its runs in turn, each after
    // calling its step (if any).
    void run_colors(const std::vector<int>& answers, const std::vector<std::function<void()>>& steps = {})
    {
        chain(answers, steps, 0);
        window.colors();
    }

    void chain(const std::vector<int>& answers, const std::vector<std::function<void()>>& steps, size_t i)
    {
        if (i < answers.size())
            GuiTest::respond_when_shown(dialog, answers[i],
                [=]
                {
                    if (i < steps.size())
                        steps[i]();
                    chain(answers, steps, i + 1);
                });
    }

    Config& config = parlane.get_config();
    ColorDialog& dialog = *window.get_dlg_colors();
    std::vector<int> responses;
    int announcements = 0;
    sigc::connection watch_responses;
    sigc::connection watch_config;
};

TEST_F(ColorDialogTest, EveryButtonFollowsEachAnnouncedConfiguration)
{
    char color[8];
    for (size_t i = 0; i < std::size(ROLES); ++i)
    {
        std::snprintf(color, sizeof color, "#%02X2233", unsigned(i + 1));
        config.set_color(ROLES[i], color);
    }
    config.set_default_bg(false);
    EXPECT_NE("#012233", shown("text")) << "not before the announcement";
    parlane.signal_config_changed.emit();
    for (size_t i = 0; i < std::size(ROLES); ++i)
    {
        SCOPED_TRACE(ROLES[i]);
        std::snprintf(color, sizeof color, "#%02X2233", unsigned(i + 1));
        EXPECT_EQ(color, shown(ROLES[i]));
    }
    EXPECT_FALSE(default_bg().get_active());
    run_colors({ Gtk::RESPONSE_OK });
    EXPECT_EQ("#092233", config.get_color("background")) << "OK keeps what the buttons show";
    EXPECT_EQ("#052233", config.get_color("gm"));
}

TEST_F(ColorDialogTest, ApplyStoresAndStaysOpenUntilOk)
{
    std::string applied;
    bool open_after_apply = false;
    run_colors({ Gtk::RESPONSE_APPLY, Gtk::RESPONSE_OK },
        {
            [&]
            {
                set("text", 0xFFFF, 0xFFFF, 0xFFFF);
                set("name", 0x00FF, 0xA0FF, 0x8012); // only the high byte of each channel counts
                default_bg().set_active(false);
            },
            [&]
            {
                applied = config.get_color("text");
                open_after_apply = dialog.get_visible();
                set("gm", 0x0A00, 0x0B00, 0xC000);
            },
        });
    EXPECT_EQ((std::vector<int> { Gtk::RESPONSE_APPLY, Gtk::RESPONSE_OK }), responses);
    EXPECT_EQ("#FFFFFF", applied);
    EXPECT_TRUE(open_after_apply);
    EXPECT_FALSE(dialog.get_visible());
    EXPECT_EQ("#FFFFFF", config.get_color("text"));
    EXPECT_EQ("#00A080", config.get_color("name"));
    EXPECT_EQ("#0A0BC0", config.get_color("gm"));
    EXPECT_FALSE(config.get_default_bg());
    EXPECT_EQ(2, announcements);
}

TEST_F(ColorDialogTest, CancelStoresNothingAndClosingTheWindowAppliesAndShowsItAgain)
{
    std::string before = config.get_color("ooc");
    run_colors({ Gtk::RESPONSE_CANCEL }, { [&] { set("ooc", 0xFFFF, 0, 0); } });
    EXPECT_FALSE(dialog.get_visible());
    EXPECT_EQ(before, config.get_color("ooc"));
    EXPECT_EQ(0, announcements);
    EXPECT_EQ("#FF0000", shown("ooc")) << "the choice stays on the button";

    run_colors({ Gtk::RESPONSE_DELETE_EVENT, Gtk::RESPONSE_CANCEL },
        { [&] { set("event", 0x1200, 0x3400, 0x5600); } });
    EXPECT_EQ((std::vector<int> { Gtk::RESPONSE_CANCEL, Gtk::RESPONSE_DELETE_EVENT, Gtk::RESPONSE_CANCEL }),
        responses);
    EXPECT_EQ("#123456", config.get_color("event"));
    EXPECT_EQ(1, announcements);
}

} // namespace
