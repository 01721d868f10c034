#include "libs/strings/source/fmt.h"

#include "libs/core/source/core/except.h"

namespace Kel
{

namespace
{

// The standard streams pad and write fixed notation in a stack buffer as
// large as the width or precision, so a huge one would overflow the stack.
const unsigned int MAX_FIELD = 65535;

// Reads the decimal digits at c, leaving c on the first non-digit.
unsigned int read_field(const char*& c)
{
    unsigned int value = 0;
    for (; *c >= '0' && *c <= '9'; ++c)
    {
        value = value * 10 + static_cast<unsigned int>(*c - '0');
        if (value > MAX_FIELD)
            throw InvalidParameterValue("Width or precision too large");
    }
    return value;
}

} // namespace

Fmt::Fmt(const char* spec)
{
    reset();
    parse(spec);
}

Fmt::Fmt(const std::string& spec)
{
    reset();
    parse(spec.c_str());
    // parse() stops at a zero byte; anything after one is still extra text.
    if (spec.find('\0') != std::string::npos)
        throw InvalidParameterValue("Extra characters in conversion specification");
}

Fmt& Fmt::reset()
{
    wd = 0;
    prec = 6;
    spos = false;
    fillc = L' ';
    base = DEC;
    sbase = false;
    fmode = EXP;
    spoint = false;
    align = RIGHT;
    ucase = false;
    return *this;
}

Fmt& Fmt::width(unsigned int w)
{
    wd = w;
    return *this;
}

Fmt& Fmt::precision(unsigned int p)
{
    prec = p;
    return *this;
}

Fmt& Fmt::showpos(bool s)
{
    spos = s;
    return *this;
}

Fmt& Fmt::fill(wchar_t c)
{
    fillc = c;
    return *this;
}

Fmt& Fmt::fixed()
{
    fmode = FIXED;
    return *this;
}

Fmt& Fmt::scientific()
{
    fmode = SCI;
    return *this;
}

Fmt& Fmt::showpoint(bool s)
{
    spoint = s;
    return *this;
}

Fmt& Fmt::showbase(bool s)
{
    sbase = s;
    return *this;
}

Fmt& Fmt::left()
{
    align = LEFT;
    return *this;
}

Fmt& Fmt::right()
{
    align = RIGHT;
    return *this;
}

Fmt& Fmt::dec()
{
    base = DEC;
    return *this;
}

Fmt& Fmt::hex()
{
    base = HEX;
    return *this;
}

Fmt& Fmt::oct()
{
    base = OCT;
    return *this;
}

Fmt& Fmt::uppercase(bool u)
{
    ucase = u;
    return *this;
}

void Fmt::apply(std::ostream& out) const
{
    std::ios_base::fmtflags flags = std::ios_base::fmtflags();

    if (base == HEX)
        flags |= std::ios_base::hex;
    else if (base == OCT)
        flags |= std::ios_base::oct;
    else
        flags |= std::ios_base::dec;

    if (fmode == FIXED)
        flags |= std::ios_base::fixed;
    else if (fmode == SCI)
        flags |= std::ios_base::scientific;

    if (fillc == L'0')
        flags |= std::ios_base::internal;
    else if (align == RIGHT)
        flags |= std::ios_base::right;
    else
        flags |= std::ios_base::left;

    if (sbase)
        flags |= std::ios_base::showbase;
    if (spoint)
        flags |= std::ios_base::showpoint;
    if (spos)
        flags |= std::ios_base::showpos;
    if (ucase)
        flags |= std::ios_base::uppercase;

    out.flags(flags);
    out.fill(static_cast<char>(fillc));
    out.width(wd);
    out.precision(prec);
}

void Fmt::parse(const char* spec)
{
    const char* c = spec;
    if (*c == '%')
        ++c;
    c = parse_flags(c);
    wd = read_field(c);
    if (*c == '.')
    {
        ++c;
        prec = read_field(c);
    }
    parse_conversion(*c);
    if (c[1] != '\0')
        throw InvalidParameterValue("Extra characters in conversion specification");
}

// Returns the position after the flags at c.
const char* Fmt::parse_flags(const char* c)
{
    for (;; ++c)
    {
        if (*c == '#')
        {
            sbase = true;
            spoint = true;
        }
        else if (*c == '0')
            fillc = L'0';
        else if (*c == '-')
            align = LEFT;
        else if (*c == '+')
            spos = true;
        else
            return c;
    }
}

void Fmt::parse_conversion(char conversion)
{
    switch (conversion)
    {
    case 'd':
    case 'i':
    case 'u':
    case 'c':
    case 's':
        break;
    case 'x':
        base = HEX;
        break;
    case 'X':
        base = HEX;
        ucase = true;
        break;
    case 'o':
        base = OCT;
        break;
    case 'e':
        fmode = SCI;
        break;
    case 'E':
        fmode = SCI;
        ucase = true;
        break;
    case 'f':
        fmode = FIXED;
        break;
    case 'F':
        fmode = FIXED;
        ucase = true;
        break;
    case 'g':
        fmode = EXP;
        break;
    case 'G':
        fmode = EXP;
        ucase = true;
        break;
    case 'p':
        base = HEX;
        sbase = true;
        break;
    default:
        throw InvalidParameterValue("Invalid conversion specifier");
    }
}

std::ostream& operator<<(std::ostream& out, const Fmt& f)
{
    f.apply(out);
    return out;
}

} // namespace Kel
