// The server as a whole: the real program on the loopback, with clients
// built on Connection (and raw sockets where a client must misbehave).

#include "server/chatserver.h"

#include "server/gamestate.h"
#include "server/statefile.h"
#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace
{

using servertest::Client;
using servertest::lines_of;
using servertest::ServerProcess;
using servertest::TempDir;
using Lines = std::vector<std::string>;

unsigned short port_of(const std::string& address)
{
    return static_cast<unsigned short>(std::stoi(address.substr(address.rfind(':') + 1)));
}

// A blocking socket connected to the server, for clients that misbehave.
int raw_connect(const std::string& address, int receive_buffer = 0)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(receive_buffer));
    sockaddr_in sin;
    std::memset(&sin, 0, sizeof(sin));
    sin.sin_family = AF_INET;
    sin.sin_port = htons(port_of(address));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof(sin)) < 0)
    {
        ::close(fd);
        return -1;
    }
    timeval limit { 10, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    return fd;
}

void raw_send(int fd, const std::string& data)
{
    std::string::size_type done = 0;
    while (done < data.size())
    {
        ssize_t count = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (count <= 0)
            return;
        done += count;
    }
}

// Everything the server sends until it closes the socket (or 10 seconds pass).
std::string raw_read_all(int fd)
{
    std::string data;
    char buf[4096];
    for (;;)
    {
        ssize_t count = ::recv(fd, buf, sizeof(buf), 0);
        if (count <= 0)
            return data;
        data.append(buf, count);
    }
}

class ChatServerTest: public ::testing::Test
{
protected:
    Client& client(ServerProcess& server)
    {
        clients.emplace_back(new Client(dispatcher, server.address));
        return *clients.back();
    }

    Client& login(ServerProcess& server, const std::string& name)
    {
        Client& c = client(server);
        EXPECT_TRUE(c.login(name)) << name;
        c.received.clear();
        return c;
    }

    Kel::IO::EventDispatcher dispatcher;
    std::vector<std::unique_ptr<Client>> clients;
};

TEST_F(ChatServerTest, ANewcomerLearnsTheStateAndEverybodyLearnsOfIt)
{
    ServerProcess server({ "--game", "Saga" });
    Client& gm = login(server, "GM");
    gm.send("GM", "STARTSESSION", { "Night" });
    gm.send("GM", "ADDNPC", { "Guard" });
    gm.send("GM", "ADDSCENE", { "Tavern", "0" });
    gm.send("GM", "SETSCENEGROUP", { "Tavern", "Town" });
    gm.send("GM", "ENTER", { "Tavern", "Guard" });
    gm.send("GM", "AFK", { "tea" });
    gm.sync();

    Client& alice = client(server);
    ASSERT_TRUE(alice.login("Alice"));
    EXPECT_EQ(alice.lines(),
        (Lines { "*;GAME;Saga", "*;SESSION;Night", "*;ADDCHAR;GM;0", "*;ADDCHAR;Guard;1", "*;ADDCHAR;Alice;0",
            "*;ADDSCENE;OOC;0", "*;ADDSCENE;Tavern;0", "*;SCENEGROUP;Tavern;Town", "GM;ENTER;OOC",
            "Alice;ENTER;OOC", "Guard;ENTER;Tavern", "GM;ONLINE;1", "Alice;ONLINE;1", "GM;AFK;tea" }));
    EXPECT_EQ(lines_of(gm.sync()), (Lines { "*;ADDCHAR;Alice;0", "Alice;ENTER;OOC", "Alice;ONLINE;1" }));
    EXPECT_TRUE(server.wait_for_log("Login: Alice from 127.0.0.1:"));
}

TEST_F(ChatServerTest, ASecondLoginUnderAnOnlineNameIsRefusedAndClosed)
{
    ServerProcess server;
    login(server, "Alice");
    Client& other = client(server);
    other.send("", "NAME", { "alice" });
    ASSERT_TRUE(other.pump_until([&] { return other.closed; }));
    EXPECT_EQ(other.lines(), Lines { "*;ERROR;Name already in use" });
    EXPECT_TRUE(server.wait_for_log("Rejected login from 127.0.0.1:"));
}

TEST_F(ChatServerTest, OnlyTheGameMasterManagesTheGame)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    Client& alice = login(server, "Alice");
    gm.sync();
    alice.send("Alice", "ADDSCENE", { "Tavern", "0" });
    alice.send("Alice", "STARTSESSION", { "Mine" });
    EXPECT_EQ(lines_of(alice.sync()),
        (Lines { "*;ERROR;Only the game master may do that", "*;ERROR;Only the game master may do that" }));
    EXPECT_TRUE(gm.sync().empty());

    gm.send("GM", "ADDSCENE", { "Tavern", "0" });
    gm.sync();
    EXPECT_EQ(lines_of(alice.sync()), Lines { "*;ADDSCENE;Tavern;0" });
}

TEST_F(ChatServerTest, LinesReachExactlyThePresentPlayersTheGameMasterAndTheSender)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    Client& alice = login(server, "Alice");
    Client& bob = login(server, "Bob");
    Client& carol = login(server, "Carol");
    gm.send("GM", "ADDSCENE", { "Tavern", "0" });
    gm.send("GM", "ENTER", { "Tavern", "Alice" });
    gm.send("GM", "ENTER", { "Tavern", "Carol" });
    gm.sync();
    for (Client* c : { &alice, &bob, &carol })
        c->sync();

    alice.send("Alice", "TEXT", { "Tavern", "Hello; everyone\nand you" });
    const std::string line = Packet("Alice", "TEXT", "Tavern", "Hello; everyone\nand you").str();
    EXPECT_EQ(lines_of(alice.sync()), Lines { line });
    EXPECT_EQ(lines_of(gm.sync()), Lines { line });
    EXPECT_EQ(lines_of(carol.sync()), Lines { line });
    EXPECT_TRUE(bob.sync().empty());

    bob.send("Bob", "TEXT", { "Tavern", "let me in" });
    EXPECT_EQ(lines_of(bob.sync()), Lines { "*;ERROR;You are not in the scene Tavern" });
    for (Client* c : { &gm, &alice, &carol })
        EXPECT_TRUE(c->sync().empty());

    gm.send("GM", "ADDNPC", { "Guard" });
    gm.send("Guard", "TEXT", { "Tavern", "Halt!" });
    gm.sync();
    EXPECT_EQ(lines_of(alice.sync()), (Lines { "*;ADDCHAR;Guard;1", "Guard;TEXT;Tavern;Halt!" }));
    EXPECT_EQ(lines_of(bob.sync()), Lines { "*;ADDCHAR;Guard;1" });
}

TEST_F(ChatServerTest, BiographiesAreChangedOnlyByTheirOwnerOrTheGameMaster)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    Client& alice = login(server, "Alice");
    Client& bob = login(server, "Bob");

    alice.send("Alice", "SETBIOGRAPHY", { "Tall; quiet\nkind" });
    bob.send("Alice", "SETBIOGRAPHY", { "Rude" });
    EXPECT_EQ(lines_of(bob.sync()), Lines { "*;ERROR;You may not change the biography of Alice" });
    alice.sync();
    bob.send("Bob", "GETBIOGRAPHY", { "alice" });
    EXPECT_TRUE(bob.pump_until([&] { return bob.find("BIOGRAPHY", "Alice") != nullptr; }));
    EXPECT_EQ(bob.find("BIOGRAPHY", "Alice")->get_parameter(0), "Tall; quiet\nkind");

    gm.send("Alice", "SETBIOGRAPHY", { "Rewritten" });
    gm.sync();
    alice.send("Alice", "GETBIOGRAPHY", { "Alice" });
    alice.received.clear();
    EXPECT_TRUE(alice.pump_until([&] { return alice.find("BIOGRAPHY", "Alice") != nullptr; }));
    EXPECT_EQ(alice.find("BIOGRAPHY", "Alice")->get_parameter(0), "Rewritten");
}

TEST_F(ChatServerTest, AClientThatLeavesGoesOfflineAndStaysWhereItWas)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    {
        Client& alice = login(server, "Alice");
        gm.send("GM", "ADDSCENE", { "Tavern", "0" });
        gm.send("GM", "ENTER", { "Tavern", "Alice" });
        alice.send("Alice", "WRITING", { "Tavern" });
        alice.sync();
        gm.sync();
        clients.erase(std::find_if(clients.begin(), clients.end(),
            [&](const std::unique_ptr<Client>& c) { return c.get() == &alice; }));
    }
    ASSERT_TRUE(gm.pump_until([&] { return gm.find("WRITING", "Alice") != nullptr; }));
    EXPECT_EQ(gm.lines(), (Lines { "Alice;ONLINE;0", "Alice;WRITING;" }));
    EXPECT_TRUE(server.wait_for_log("Logout: Alice"));

    gm.send("GM", "QUERY", { "Alice" });
    gm.received.clear();
    ASSERT_TRUE(gm.pump_until([&] { return gm.find("OOC", "*") != nullptr; }));
    EXPECT_EQ(gm.find("OOC", "*")->get_parameter(1), "Alice is offline; scenes: OOC, Tavern");
}

TEST_F(ChatServerTest, ARestartWithAStateFileKeepsEverything)
{
    TempDir dir;
    const std::string path = dir.file("saga.state");
    Lines before;
    {
        ServerProcess server({ "--state", path, "--game", "Saga" });
        Client& gm = login(server, "GM");
        login(server, "Alice").send("Alice", "SETBIOGRAPHY", { "Tall; \"quiet\"\nkind" });
        gm.send("GM", "STARTSESSION", { "Night" });
        gm.send("GM", "ADDNPC", { "Guard" });
        gm.send("Guard", "SETBIOGRAPHY", { "Old soldier" });
        gm.send("GM", "ADDSCENE", { "Tavern", "1" });
        gm.send("GM", "ADDSCENE", { "Cellar", "0" });
        gm.send("GM", "SETSCENEGROUP", { "Tavern", "Town" });
        gm.send("GM", "ENTER", { "Tavern", "Guard" });
        gm.send("GM", "ENTER", { "Tavern", "Alice" });
        gm.send("GM", "RENAMESCENE", { "Cellar", "Vault" });
        gm.sync();
        Client& bob = client(server);
        ASSERT_TRUE(bob.login("Bob"));
        before = bob.lines();
        EXPECT_EQ(server.stop(), 0);
    }

    ServerProcess server({ "--state", path, "--game", "Saga" });
    Client& bob = client(server);
    ASSERT_TRUE(bob.login("Bob"));
    // Bob is known now, so he is announced among the others, and nobody
    // else is online.
    Lines expected;
    for (const auto& line : before)
        if (line.find(";ONLINE;") == std::string::npos || line == "Bob;ONLINE;1")
            expected.push_back(line);
    EXPECT_EQ(bob.lines(), expected);
    EXPECT_NE(std::find(expected.begin(), expected.end(), "*;ADDSCENE;Vault;0"), expected.end());
    EXPECT_NE(std::find(expected.begin(), expected.end(), "Alice;ENTER;Tavern"), expected.end());

    bob.received.clear();
    bob.send("Bob", "GETBIOGRAPHY", { "Alice" });
    bob.send("Bob", "GETBIOGRAPHY", { "Guard" });
    ASSERT_TRUE(bob.pump_until([&] { return bob.received.size() == 2; }));
    EXPECT_EQ(bob.lines(),
        (Lines {
            Packet("Alice", "BIOGRAPHY", "Tall; \"quiet\"\nkind").str(), "Guard;BIOGRAPHY;Old soldier" }));
}

TEST_F(ChatServerTest, KillingTheServerWhileItSavesLeavesTheOldOrTheNewFile)
{
    // Each NPC is one save. The server is killed at a random moment of a
    // burst of them; the file must then hold exactly the first k NPCs.
    std::mt19937 random(20261206);
    for (int round = 0; round < 8; ++round)
    {
        SCOPED_TRACE(round);
        TempDir dir;
        const std::string path = dir.file("state");
        {
            ServerProcess server({ "--state", path });
            Client& gm = login(server, "GM");
            gm.sync();
            for (int i = 0; i < 300; ++i)
                gm.send("GM", "ADDNPC", { "N" + std::to_string(i) });
            gm.pump_until([] { return false; }, std::chrono::milliseconds(random() % 40));
            EXPECT_EQ(server.stop(SIGKILL), 128 + SIGKILL);
            clients.clear();
        }

        GameState state;
        ASSERT_NO_THROW(StateFile(path).load(state));
        std::vector<std::string> npcs;
        for (const auto& character : state.get_characters())
            if (character.npc)
                npcs.push_back(character.name);
        for (std::size_t i = 0; i < npcs.size(); ++i)
            EXPECT_EQ(npcs[i], "N" + std::to_string(i));
        EXPECT_NE(state.find_character("GM"), nullptr);
    }
}

TEST_F(ChatServerTest, BadInputNeverStopsTheServer)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    Client& alice = login(server, "Alice");
    gm.sync();

    const std::pair<std::string, std::string> requests[] = {
        { "GM;DANCE;now", "*;ERROR;Unknown command 'DANCE'" },
        { "GM;ADDSCENE;Tavern", "*;ERROR;Missing parameter for ADDSCENE" },
        { "GM;ADDSCENE;Tavern;maybe", "*;ERROR;Invalid flag 'maybe'" },
        { "GM;ENTER", "*;ERROR;Missing parameter for ENTER" },
        { "GM;TEXT;Nowhere;hi", "*;ERROR;There is no scene named Nowhere" },
        { "GM;NAME;Other", "*;ERROR;Already logged in" },
    };
    for (const auto& r : requests)
    {
        SCOPED_TRACE(r.first);
        gm.connection->send_packet(Packet(r.first));
        EXPECT_EQ(lines_of(gm.sync()), Lines { r.second });
    }

    // Lines that are not packets at all are dropped; the lines after them
    // are still read.
    int fd = raw_connect(server.address);
    raw_send(fd, ";NAME;Mallory\n");
    ASSERT_TRUE(alice.pump_until([&] { return alice.find("ONLINE", "Mallory") != nullptr; }));
    alice.sync();
    raw_send(fd,
        std::string("\n;\n|\nGARBAGE\n\x01\x02\xff\n") + std::string(2000, 'x')
            + "\nMallory;TEXT;OOC;after\n");
    ASSERT_TRUE(alice.pump_until([&] { return alice.find("TEXT", "Mallory") != nullptr; }));
    EXPECT_EQ(alice.lines(), Lines { "Mallory;TEXT;OOC;after" });
    alice.received.clear();
    EXPECT_TRUE(server.wait_for_log("Malformed packet from 127.0.0.1:"));
    EXPECT_TRUE(server.wait_for_log("Rejected  from Mallory: Unknown command ''"));
    ::shutdown(fd, SHUT_WR);
    std::string answers = raw_read_all(fd);
    EXPECT_NE(answers.find("*;ERROR;Malformed packet\n"), std::string::npos) << answers;
    ::close(fd);

    // The server still serves.
    ASSERT_TRUE(alice.pump_until([&] { return alice.find("ONLINE", "Mallory") != nullptr; }));
    alice.send("Alice", "TEXT", { "OOC", "still here" });
    EXPECT_EQ(lines_of(alice.sync()),
        (Lines { "Mallory;ONLINE;0", "Mallory;WRITING;", "Alice;TEXT;OOC;still here" }));
}

TEST_F(ChatServerTest, LinesOverOneMebibyteAreDropped)
{
    ServerProcess server;
    Client& alice = login(server, "Alice");
    Client& bob = login(server, "Bob");
    alice.sync();

    int fd = raw_connect(server.address);
    raw_send(fd, ";NAME;Mallory\n");
    ASSERT_TRUE(bob.pump_until([&] { return bob.find("ONLINE", "Mallory") != nullptr; }));
    bob.sync();
    raw_send(fd, "Mallory;TEXT;OOC;" + std::string(1048576 + 10, 'x') + "\nMallory;TEXT;OOC;short\n");
    ASSERT_TRUE(bob.pump_until([&] { return bob.find("TEXT", "Mallory") != nullptr; }));
    EXPECT_EQ(lines_of(bob.sync()), Lines { "Mallory;TEXT;OOC;short" });
    EXPECT_TRUE(server.wait_for_log("Line too long from 127.0.0.1:"));
    ::shutdown(fd, SHUT_WR);
    std::string answers = raw_read_all(fd);
    EXPECT_NE(answers.find("*;ERROR;Line too long\n"), std::string::npos) << answers;
    ::close(fd);
}

TEST_F(ChatServerTest, AClientThatStopsReadingIsDisconnectedWithoutHoldingUpTheOthers)
{
    ServerProcess server;
    Client& speaker = login(server, "Speaker");
    Client& reader = login(server, "Reader");

    // Logs in and then never reads again.
    int stuck = raw_connect(server.address, 4096);
    raw_send(stuck, ";NAME;Stuck\n");
    ASSERT_TRUE(reader.pump_until([&] { return reader.find("ONLINE", "Stuck") != nullptr; }));
    reader.received.clear();
    speaker.received.clear();

    // 256 lines of 64 KiB: far more than the 4 MiB limit plus what the
    // kernel buffers for the stuck socket.
    const int line_count = 256;
    const std::string text(65536, 'y');
    int sent = 0;
    auto count = [](const Client& c)
    {
        return std::count_if(
            c.received.begin(), c.received.end(), [](const Packet& p) { return p.get_command() == "TEXT"; });
    };
    ASSERT_TRUE(reader.pump_until(
        [&]
        {
            // Keep a few lines in flight so the speaker's own socket never
            // stalls on its echo.
            while (sent < line_count && sent - count(speaker) < 8)
                speaker.send("Speaker", "TEXT", { "OOC", text + std::to_string(sent++) });
            return count(reader) == line_count && count(speaker) == line_count;
        },
        std::chrono::milliseconds(60000)));
    EXPECT_EQ(reader.received.back().get_parameter(1), text + std::to_string(line_count - 1));
    EXPECT_TRUE(reader.find("ONLINE", "Stuck") != nullptr);
    EXPECT_EQ(reader.find("ONLINE", "Stuck")->get_parameter(0), "0");
    EXPECT_TRUE(server.wait_for_log("Too much output waiting"));
    ::close(stuck);
}

TEST_F(ChatServerTest, TheClientAfterTheFiveHundredTwelfthIsToldTheServerIsFull)
{
    rlimit limit;
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_cur < 700 && limit.rlim_max >= 700)
    {
        limit.rlim_cur = 700;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
    ServerProcess server;
    std::vector<int> fds;
    for (unsigned i = 0; i < ChatServer::MAX_CLIENTS; ++i)
    {
        fds.push_back(raw_connect(server.address));
        ASSERT_GE(fds.back(), 0) << i;
    }
    ASSERT_TRUE(server.wait_for_log("New connection from", std::chrono::milliseconds(100)));
    auto deadline = servertest::Clock::now() + servertest::WAIT_LIMIT;
    while (server.count_in_log("New connection from") < ChatServer::MAX_CLIENTS
        && servertest::Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    int extra = raw_connect(server.address);
    ASSERT_GE(extra, 0);
    EXPECT_EQ(raw_read_all(extra), "*;ERROR;Server full\n");
    ::close(extra);
    EXPECT_TRUE(server.wait_for_log("Rejected connection from 127.0.0.1:"));

    // Once somebody leaves there is room again.
    ::close(fds.back());
    fds.pop_back();
    EXPECT_TRUE(server.wait_for_log("terminated"));
    // The place is free once the server has finished that turn; a newcomer
    // that comes too early is told the server is full.
    bool logged_in = false;
    for (int attempt = 0; attempt < 50 && !logged_in; ++attempt)
    {
        Client& late = client(server);
        logged_in = late.login("Late");
        if (!logged_in)
        {
            EXPECT_EQ(late.lines(), Lines { "*;ERROR;Server full" });
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    EXPECT_TRUE(logged_in);
    for (int fd : fds)
        ::close(fd);
}

} // namespace
