#ifndef PARLANE_COMMON_PACKET_H
#define PARLANE_COMMON_PACKET_H

#include <string>
#include <vector>

// One protocol message: who it is from or about, the command word and its
// parameters. It knows its one-line form; line framing is the Connection's.
//
// Line form: origin ";" command, then per parameter a separator and the
// parameter with each line feed sent as BEL (0x07). The separator is "|"
// when the parameter holds ";" or "|", else ";". Parsing takes everything
// after the first "|" as one last parameter, so only the last parameter may
// hold ";" or "|":
//   Packet("Guard", "TEXT", "Tavern", "Hello; everyone").str()
//     == "Guard;TEXT;Tavern|Hello; everyone"
class Packet
{
public:
    Packet();
    // The parts are stored as given: no upper-casing, no escaping.
    Packet(const std::string& origin, const std::string& cmd);
    Packet(const std::string& origin, const std::string& cmd, const std::string& p0);
    Packet(const std::string& origin, const std::string& cmd, const std::string& p0, const std::string& p1);
    Packet(const std::string& origin, const std::string& cmd, const std::vector<std::string>& params);
    // Parses a line without its line feed. The command word is upper-cased
    // and BEL in parameters becomes a line feed. A line of fewer than two
    // ";"-separated fields before any "|" (such as "" or "GAME") throws
    // Kel::InvalidParameterValue "Malformed packet".
    explicit Packet(const std::string& data);

    // The line form, without line feed.
    std::string str() const;

    // "a\nb" gives "a\ab".
    static std::string escape(const std::string& s);
    // "a\ab" gives "a\nb".
    static std::string unescape(const std::string& s);

    bool operator==(const Packet& other) const;
    bool operator!=(const Packet& other) const { return !(*this == other); }

    const std::string& get_origin() const { return origin; }
    const std::string& get_command() const { return cmd; }
    unsigned get_parameter_count() const { return static_cast<unsigned>(params.size()); }
    // Throws Kel::InvalidParameterValue "Parameter index out of range" when
    // i is not below get_parameter_count().
    const std::string& get_parameter(unsigned i) const;

private:
    std::string origin;
    std::string cmd;
    std::vector<std::string> params;
};

#endif
