#include "client/colordialog.h"

#include "client/mainwindow.h"
#include "client/parlane.h"
#include "tests/gui/findwidget.h"
#include "tests/gui/fixture.h"

#include <gtest/gtest.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/colorbutton.h>

#include <map>
#include <string>
#include <vector>

namespace
{

const char* const ROLES[]
    = { "text", "name", "other_name", "speech", "gm", "ooc", "event", "timestamp", "background" };

class ColorDialogTest: public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* role : ROLES)
            saved[role] = config.get_color(role);
        saved_default_bg = config.get_default_bg();
        // Lambdas are not trackable: these must go before the fixture does.
        watch_responses = dialog.signal_response().connect([this](int id) { responses.push_back(id); });
        watch_config = parlane.signal_config_changed.connect([this] { ++announcements; });
    }

    void TearDown() override
    {
        watch_responses.disconnect();
        watch_config.disconnect();
        for (const auto& entry : saved)
            config.set_color(entry.first, entry.second);
        config.set_default_bg(saved_default_bg);
        parlane.signal_config_changed.emit();
        dialog.hide();
    }

    Gtk::ColorButton& button(const std::string& role)
    {
        return *GuiTest::find_widget<Gtk::ColorButton>(dialog, "cbt_" + role);
    }
    Gtk::CheckButton& default_bg()
    {
        return *GuiTest::find_widget<Gtk::CheckButton>(dialog, "chk_default_bg");
    }

    static Gdk::Color rgb(unsigned short r, unsigned short g, unsigned short b)
    {
        Gdk::Color color;
        color.set_rgb(r, g, b);
        return color;
    }

    // Answers the runs of the colour menu action with `answers` in turn,
    // calling `before[i]` (if any) just before answer i.
    void run_colors(const std::vector<int>& answers, const std::vector<std::function<void()>>& before)
    {
        chain(answers, before, 0);
        parlane.get_main_window()->colors();
    }

    void chain(const std::vector<int>& answers, const std::vector<std::function<void()>>& before, size_t i)
    {
        if (i == answers.size())
            return;
        GuiTest::respond_when_shown(dialog, answers[i],
            [=]
            {
                if (i < before.size() && before[i])
                    before[i]();
                chain(answers, before, i + 1);
            });
    }

    Parlane& parlane = GuiTest::parlane();
    Config& config = parlane.get_config();
    ColorDialog& dialog = *parlane.get_dlg_colors();
    std::map<std::string, std::string> saved;
    bool saved_default_bg = true;
    std::vector<int> responses;
    int announcements = 0;
    sigc::connection watch_responses;
    sigc::connection watch_config;
};

TEST_F(ColorDialogTest, ButtonsFollowEachAnnouncedConfiguration)
{
    config.set_color("speech", "#112233");
    config.set_default_bg(false);
    EXPECT_NE(0x11, button("speech").get_color().get_red() >> 8) << "not before the announcement";
    parlane.signal_config_changed.emit();
    Gdk::Color shown = button("speech").get_color();
    EXPECT_EQ(0x11, shown.get_red() >> 8);
    EXPECT_EQ(0x22, shown.get_green() >> 8);
    EXPECT_EQ(0x33, shown.get_blue() >> 8);
    EXPECT_FALSE(default_bg().get_active());
}

TEST_F(ColorDialogTest, ApplyStoresAndStaysOpenUntilOk)
{
    std::string applied;
    bool open_after_apply = false;
    run_colors({ Gtk::RESPONSE_APPLY, Gtk::RESPONSE_OK },
        {
            [&]
            {
                button("text").set_color(rgb(0xFFFF, 0xFFFF, 0xFFFF));
                // Only the high byte of each channel counts.
                button("name").set_color(rgb(0x00FF, 0xA0FF, 0x8012));
                default_bg().set_active(false);
            },
            [&]
            {
                applied = config.get_color("text");
                open_after_apply = dialog.get_visible();
                button("gm").set_color(rgb(0x0A00, 0x0B00, 0xC000));
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

TEST_F(ColorDialogTest, CancelStoresNothingAndLeavesTheChoiceOnTheButton)
{
    std::string before = config.get_color("ooc");
    run_colors({ Gtk::RESPONSE_CANCEL }, { [&] { button("ooc").set_color(rgb(0xFFFF, 0, 0)); } });
    EXPECT_FALSE(dialog.get_visible());
    EXPECT_EQ(before, config.get_color("ooc"));
    EXPECT_EQ(0, announcements);
    EXPECT_EQ(0xFF, button("ooc").get_color().get_red() >> 8);
}

TEST_F(ColorDialogTest, ClosingTheWindowAppliesAndShowsItAgain)
{
    run_colors({ Gtk::RESPONSE_DELETE_EVENT, Gtk::RESPONSE_CANCEL },
        { [&] { button("event").set_color(rgb(0x1200, 0x3400, 0x5600)); } });
    EXPECT_EQ((std::vector<int> { Gtk::RESPONSE_DELETE_EVENT, Gtk::RESPONSE_CANCEL }), responses);
    EXPECT_EQ("#123456", config.get_color("event"));
    EXPECT_EQ(1, announcements);
}

TEST_F(ColorDialogTest, EveryRoleHasItsButton)
{
    for (const char* role : ROLES)
    {
        SCOPED_TRACE(role);
        config.set_color(role, "#010203");
    }
    parlane.signal_config_changed.emit();
    run_colors({ Gtk::RESPONSE_OK }, {});
    for (const char* role : ROLES)
    {
        SCOPED_TRACE(role);
        EXPECT_EQ("#010203", config.get_color(role));
    }
}

} // namespace
