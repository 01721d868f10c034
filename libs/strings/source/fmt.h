#ifndef KEL_STRINGS_FMT_H
#define KEL_STRINGS_FMT_H

#include <ostream>
#include <string>

namespace Kel
{

// One printf-style conversion specification, reduced to the stream settings
// it selects. It never says what type the value has: "%x" only asks for
// hexadecimal, so a string written under it comes out unchanged.
//
// A specification reads [%]flags width [.precision] conversion, with the
// flags # 0 - + in any order; "%-08.3f" and "-08.3f" parse the same.
class Fmt
{
public:
    enum Base
    {
        DEC = 0,
        HEX = 1,
        OCT = 2
    };

    enum FloatMode
    {
        FIXED = 0,
        EXP = 1, // the stream's general notation, neither fixed nor scientific
        SCI = 2
    };

    enum Align
    {
        LEFT = 0,
        RIGHT = 1
    };

    Fmt() { reset(); }
    // Throws InvalidParameterValue for an unknown conversion character or
    // for text after it.
    Fmt(const char* spec);
    Fmt(const std::string& spec);

    // Back to width 0, precision 6, space fill, decimal, general notation,
    // right alignment and no sign, base, point or upper case.
    Fmt& reset();

    Fmt& width(unsigned int w);
    Fmt& precision(unsigned int p);
    Fmt& showpos(bool s);
    Fmt& fill(wchar_t c);
    Fmt& fixed();
    Fmt& scientific();
    Fmt& showpoint(bool s);
    Fmt& showbase(bool s);
    Fmt& left();
    Fmt& right();
    Fmt& dec();
    Fmt& hex();
    Fmt& oct();
    Fmt& uppercase(bool u);

    // Replaces the stream's format flags, fill, width and precision
    // entirely, so nothing set on the stream before survives. A '0' fill
    // always pads between sign and digits, whatever the alignment.
    void apply(std::ostream& out) const;

private:
    void parse(const char* spec);
    const char* parse_flags(const char* c);
    void parse_conversion(char conversion);

    unsigned int wd;
    unsigned int prec;
    bool spos;
    wchar_t fillc;
    Base base;
    bool sbase;
    FloatMode fmode;
    bool spoint;
    Align align;
    bool ucase;
};

// Applies f, so that a Fmt can be written into a stream ahead of a value.
std::ostream& operator<<(std::ostream& out, const Fmt& f);

} // namespace Kel

#endif
