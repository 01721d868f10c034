// Draws the four 16-pixel status icons of the character list into the
// current folder. Not part of the build; run it again after changing a
// picture:
//   g++ -std=c++17 make_icons.cpp $(pkg-config --cflags --libs cairomm-1.0) -o make_icons
#include <cairomm/context.h>
#include <cairomm/surface.h>

#include <cmath>
#include <functional>
#include <string>

namespace
{

const double pi = 3.14159265358979;

void save(const std::string& file, const std::function<void(const Cairo::RefPtr<Cairo::Context>&)>& draw)
{
    Cairo::RefPtr<Cairo::ImageSurface> surface = Cairo::ImageSurface::create(Cairo::FORMAT_ARGB32, 16, 16);
    Cairo::RefPtr<Cairo::Context> cr = Cairo::Context::create(surface);
    draw(cr);
    surface->write_to_png(file);
}

// A round light: online is a lit green ball, offline a hollow grey ring.
void light(const Cairo::RefPtr<Cairo::Context>& cr, bool lit)
{
    cr->arc(8, 8, 5.5, 0, 2 * pi);
    if (lit)
    {
        Cairo::RefPtr<Cairo::RadialGradient> ball = Cairo::RadialGradient::create(6.5, 6, 0.5, 8, 8, 6);
        ball->add_color_stop_rgb(0, 0.75, 1.0, 0.75);
        ball->add_color_stop_rgb(0.5, 0.15, 0.75, 0.15);
        ball->add_color_stop_rgb(1, 0.05, 0.5, 0.05);
        cr->set_source(ball);
        cr->fill_preserve();
        cr->set_source_rgb(0.0, 0.35, 0.0);
    }
    else
    {
        cr->set_source_rgb(0.93, 0.93, 0.93);
        cr->fill_preserve();
        cr->set_source_rgb(0.5, 0.5, 0.5);
    }
    cr->set_line_width(1.2);
    cr->stroke();
}

// A pencil lying from the lower left to the upper right, writing.
void pencil(const Cairo::RefPtr<Cairo::Context>& cr)
{
    cr->translate(8, 8);
    cr->rotate(-pi / 4);
    // body
    cr->rectangle(-4.5, -2, 9, 4);
    cr->set_source_rgb(1.0, 0.8, 0.1);
    cr->fill_preserve();
    cr->set_source_rgb(0.45, 0.3, 0.0);
    cr->set_line_width(0.9);
    cr->stroke();
    // eraser
    cr->rectangle(4.5, -2, 2.5, 4);
    cr->set_source_rgb(0.95, 0.5, 0.55);
    cr->fill_preserve();
    cr->set_source_rgb(0.45, 0.2, 0.2);
    cr->stroke();
    // sharpened wood and lead
    cr->move_to(-4.5, -2);
    cr->line_to(-7.5, 0);
    cr->line_to(-4.5, 2);
    cr->close_path();
    cr->set_source_rgb(0.95, 0.85, 0.65);
    cr->fill_preserve();
    cr->set_source_rgb(0.45, 0.3, 0.0);
    cr->stroke();
    cr->move_to(-6.3, -0.8);
    cr->line_to(-7.6, 0);
    cr->line_to(-6.3, 0.8);
    cr->close_path();
    cr->set_source_rgb(0.1, 0.1, 0.1);
    cr->fill();
}

// A clock face: away from the keyboard for a while.
void clock(const Cairo::RefPtr<Cairo::Context>& cr)
{
    cr->arc(8, 8, 6, 0, 2 * pi);
    cr->set_source_rgb(1.0, 0.97, 0.85);
    cr->fill_preserve();
    cr->set_source_rgb(0.8, 0.45, 0.0);
    cr->set_line_width(1.5);
    cr->stroke();
    cr->set_source_rgb(0.2, 0.2, 0.2);
    cr->set_line_width(1.3);
    cr->set_line_cap(Cairo::LINE_CAP_ROUND);
    cr->move_to(8, 8);
    cr->line_to(8, 4);
    cr->move_to(8, 8);
    cr->line_to(10.8, 9.6);
    cr->stroke();
}

} // namespace

int main()
{
    save("online.png", [](const Cairo::RefPtr<Cairo::Context>& cr) { light(cr, true); });
    save("offline.png", [](const Cairo::RefPtr<Cairo::Context>& cr) { light(cr, false); });
    save("writing.png", pencil);
    save("afk.png", clock);
    return 0;
}
