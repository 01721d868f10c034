#ifndef PARLANE_SERVER_ACCESS_H
#define PARLANE_SERVER_ACCESS_H

#include <string>
#include <vector>

#include <sys/socket.h>

// One host address, IPv4 or IPv6, without a port. An IPv4 address that an
// IPv6 socket reports in mapped form (::ffff:192.0.2.1) counts as IPv4, so
// that one rule covers both ways of reaching the server.
class HostAddress
{
public:
    // From a socket address; a family other than IPv4 and IPv6 throws
    // Kel::InvalidParameterValue.
    explicit HostAddress(const sockaddr& address);
    // From dotted IPv4 or textual IPv6 ("127.0.0.1", "::1"); anything else
    // throws Kel::InvalidParameterValue.
    explicit HostAddress(const std::string& text);

    // "127.0.0.1", "::1".
    std::string str() const;

    bool operator<(const HostAddress& other) const;

private:
    friend class AddressRange;

    int family; // AF_INET or AF_INET6
    unsigned char bytes[16]; // network order; the first 4 for IPv4
};

// The addresses that share their first prefix bits with a base address,
// written ADDRESS[/PREFIX]: "192.168.1.0/24", "::1", "10.0.0.7" (a single
// host when the prefix is left out).
class AddressRange
{
public:
    // Throws Kel::InvalidParameterValue naming the text when the address is
    // bad or the prefix is not a number up to 32 (IPv4) or 128 (IPv6).
    explicit AddressRange(const std::string& text);

    bool contains(const HostAddress& address) const;

    // The range as "ADDRESS/PREFIX", the base address cut to its prefix.
    std::string str() const;

private:
    HostAddress base;
    unsigned prefix;
};

// Who may connect to the server and who may log in as the game master.
// The protocol has no passwords, so the address is all there is to judge.
class AccessPolicy
{
public:
    static const unsigned DEFAULT_MAX_PER_ADDRESS = 16;

    // With no allow ranges every address may connect; with no game-master
    // ranges the game master may only log in from the loopback
    // (127.0.0.0/8 and ::1).
    AccessPolicy(const std::vector<AddressRange>& allow = {}, const std::vector<AddressRange>& game_master = {},
        unsigned max_per_address = DEFAULT_MAX_PER_ADDRESS);

    bool may_connect(const HostAddress& address) const;
    bool may_be_game_master(const HostAddress& address) const;
    // The game-master ranges, as "127.0.0.0/8, ::1/128".
    std::string describe_game_master() const;
    // Connections one address may hold at once.
    unsigned get_max_per_address() const { return max_per_address; }

private:
    std::vector<AddressRange> allow;
    std::vector<AddressRange> game_master;
    unsigned max_per_address;
};

#endif
