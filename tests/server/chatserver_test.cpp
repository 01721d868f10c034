// The real program on the loopback, with clients on Connection, and raw
// sockets for clients that misbehave.

#include "server/chatserver.h"

#include "server/gamestate.h"
#include "server/statefile.h"
#include "tests/server/serverprocess.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>

namespace
{

using namespace servertest;

// A blocking socket with a 10 s receive time-out, or -1.
int raw_connect(const std::string& address, int receive_buffer = 0)
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof(receive_buffer));
    timeval limit { 10, 0 };
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    sockaddr_in sin {};
    sin.sin_family = AF_INET;
    sin.sin_port = htons(static_cast<unsigned short>(std::stoi(address.substr(address.rfind(':') + 1))));
    sin.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&sin), sizeof(sin)) == 0)
        return fd;
    ::close(fd);
    return -1;
}

void raw_send(int fd, const std::string& data)
{
    for (std::size_t done = 0; done < data.size();)
    {
        ssize_t count = ::send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
        if (count <= 0)
            return;
        done += count;
    }
}

// Everything received until the server closes the socket (or 10 s pass).
std::string raw_read_all(int fd)
{
    std::string data;
    char buf[4096];
    for (ssize_t count; (count = ::recv(fd, buf, sizeof(buf), 0)) > 0;)
        data.append(buf, count);
    return data;
}

// Times the program has given up the processor of its own accord: a loop
// that polls shows here.
unsigned long voluntary_switches(const ServerProcess& server)
{
    std::istringstream in(read_file("/proc/" + std::to_string(server.pid) + "/status"));
    const std::string key = "voluntary_ctxt_switches:";
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, key.size(), key) == 0)
            return std::stoul(line.substr(key.size()));
    ADD_FAILURE() << "No " << key;
    return 0;
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
        return c;
    }

    Kel::IO::EventDispatcher dispatcher;
    std::vector<std::unique_ptr<Client>> clients;
};

TEST_F(ChatServerTest, ANewcomerLearnsTheStateAndEverybodyLearnsOfIt)
{
    ServerProcess server({ "--game", "Saga" });
    Client& gm = login(server, "GM");
    gm.send({ "GM;STARTSESSION;Night", "GM;ADDNPC;Guard", "GM;ADDSCENE;Tavern;1",
        "GM;SETSCENEGROUP;Tavern;Town", "GM;ENTER;Tavern;Guard", "GM;AFK;tea" });
    gm.sync();

    EXPECT_EQ(login(server, "Alice").announced,
        (Lines { "*;GAME;Saga", "*;SESSION;Night", "*;ADDCHAR;GM;0", "*;ADDCHAR;Guard;1", "*;ADDCHAR;Alice;0",
            "*;ADDSCENE;OOC;0", "*;ADDSCENE;Tavern;1", "*;SCENEGROUP;Tavern;Town", "GM;ENTER;OOC",
            "Alice;ENTER;OOC", "Guard;ENTER;Tavern", "GM;ONLINE;1", "Alice;ONLINE;1", "GM;AFK;tea" }));
    EXPECT_EQ(gm.sync(), (Lines { "*;ADDCHAR;Alice;0", "Alice;ENTER;OOC", "Alice;ONLINE;1" }));
    EXPECT_TRUE(server.wait_for_log("Login: Alice from 127.0.0.1:"));
}

TEST_F(ChatServerTest, LinesReachExactlyTheRightClientsAndOnlyTheGameMasterManages)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    Client& alice = login(server, "Alice");
    Client& bob = login(server, "Bob");
    Client& carol = login(server, "Carol");
    gm.send({ "GM;ADDSCENE;Tavern;0", "GM;ENTER;Tavern;Alice", "GM;ENTER;Tavern;Carol" });
    for (Client* c : { &gm, &alice, &bob, &carol })
        c->sync();

    const Packet text("Alice", "TEXT", "Tavern", "Hello; everyone\nand you");
    alice.connection.send_packet(text);
    for (Client* c : { &alice, &gm, &carol })
        EXPECT_EQ(c->sync(), Lines { text.str() }) << c->name;
    EXPECT_TRUE(bob.sync().empty());

    bob.send({ "Bob;TEXT;Tavern;let me in", "Bob;ADDNPC;Thief" });
    EXPECT_EQ(bob.sync(),
        (Lines { "*;ERROR;You are not in the scene Tavern", "*;ERROR;Only the game master may do that" }));
    for (Client* c : { &gm, &alice, &carol })
        EXPECT_TRUE(c->sync().empty()) << c->name;

    gm.send({ "GM;ADDNPC;Guard", "Guard;TEXT;Tavern;Halt!" });
    gm.sync();
    EXPECT_EQ(alice.sync(), (Lines { "*;ADDCHAR;Guard;1", "Guard;TEXT;Tavern;Halt!" }));
    EXPECT_EQ(bob.sync(), Lines { "*;ADDCHAR;Guard;1" });
}

TEST_F(ChatServerTest, BiographiesAreChangedOnlyByTheirOwnerOrTheGameMaster)
{
    ServerProcess server;
    Client& gm = login(server, "GM");
    Client& alice = login(server, "Alice");
    Client& bob = login(server, "Bob");
    alice.connection.send_packet(Packet("Alice", "SETBIOGRAPHY", "Tall; quiet\nkind"));
    alice.sync();
    bob.send({ "Alice;SETBIOGRAPHY;Rude", "Bob;GETBIOGRAPHY;alice" });
    EXPECT_EQ(bob.sync(),
        (Lines { "*;ERROR;You may not change the biography of Alice",
            Packet("Alice", "BIOGRAPHY", "Tall; quiet\nkind").str() }));

    gm.send({ "Alice;SETBIOGRAPHY;Rewritten" });
    gm.sync();
    bob.send({ "Bob;GETBIOGRAPHY;Alice" });
    EXPECT_EQ(bob.sync(), Lines { "Alice;BIOGRAPHY;Rewritten" });
}

TEST_F(ChatServerTest, ARestartWithAStateFileKeepsEverything)
{
    TempDir dir;
    const std::vector<std::string> args { "--state", dir.file("saga.state"), "--game", "Saga" };
    Lines before;
    {
        ServerProcess server(args);
        Client& gm = login(server, "GM");
        login(server, "Alice")
            .connection.send_packet(Packet("Alice", "SETBIOGRAPHY", "Tall; \"quiet\"\nkind"));
        gm.send({ "GM;STARTSESSION;Night", "GM;ADDNPC;Guard", "Guard;SETBIOGRAPHY;Old soldier",
            "GM;ADDSCENE;Tavern;1", "GM;ADDSCENE;Cellar;0", "GM;SETSCENEGROUP;Tavern;Town",
            "GM;ENTER;Tavern;Guard", "GM;ENTER;Tavern;Alice", "GM;RENAMESCENE;Cellar;Vault" });
        gm.sync();
        before = login(server, "Bob").announced;
        EXPECT_EQ(server.exit_status(SIGTERM), 0);
        clients.clear();
    }

    ServerProcess server(args);
    Client& bob = login(server, "Bob");
    // The same state, with Bob known and nobody else online.
    Lines expected;
    std::copy_if(before.begin(), before.end(), std::back_inserter(expected),
        [](const std::string& line)
        { return line.find(";ONLINE;") == std::string::npos || line == "Bob;ONLINE;1"; });
    EXPECT_EQ(bob.announced, expected);
    for (const char* line : { "*;ADDSCENE;Vault;0", "Alice;ENTER;Tavern", "*;SESSION;Night" })
        EXPECT_NE(std::find(expected.begin(), expected.end(), line), expected.end()) << line;

    bob.send({ "Bob;GETBIOGRAPHY;Alice", "Bob;GETBIOGRAPHY;Guard" });
    EXPECT_EQ(bob.sync(),
        (Lines {
            Packet("Alice", "BIOGRAPHY", "Tall; \"quiet\"\nkind").str(), "Guard;BIOGRAPHY;Old soldier" }));
}

TEST_F(ChatServerTest, KillingTheServerWhileItSavesLeavesTheOldOrTheNewFile)
{
    // Each NPC is one save; after a kill at a random moment of a burst the
    // file must hold exactly the first k of them.
    std::mt19937 random(20261206);
    for (int round = 0; round < 8; ++round)
    {
        SCOPED_TRACE(round);
        TempDir dir;
        const std::string path = dir.file("state");
        {
            ServerProcess server({ "--state", path });
            Client& gm = login(server, "GM");
            for (int i = 0; i < 300; ++i)
                gm.send({ "GM;ADDNPC;N" + std::to_string(i) });
            gm.pump_until([] { return false; }, milliseconds(random() % 40));
            EXPECT_EQ(server.exit_status(SIGKILL), 128 + SIGKILL);
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
    gm.send({ "GM;DANCE;now", "GM;ADDSCENE;Tavern", "GM;ADDSCENE;Tavern;maybe" });
    EXPECT_EQ(gm.sync(),
        (Lines { "*;ERROR;Unknown command 'DANCE'", "*;ERROR;Missing parameter for ADDSCENE",
            "*;ERROR;Invalid flag 'maybe'" }));
    EXPECT_TRUE(alice.sync().empty());

    // Lines that are not packets, and lines over 1 MiB, are dropped; the
    // lines after them are still read.
    int fd = raw_connect(server.address);
    raw_send(fd, ";NAME;Mallory\n");
    ASSERT_TRUE(alice.wait_for("Mallory;ONLINE;1"));
    alice.sync();
    raw_send(fd,
        std::string("\n;\n|\nGARBAGE\n\x01\x02\xff\n") + std::string(2000, 'x') + "\nMallory;TEXT;OOC;"
            + std::string(Connection::MAX_LINE_LENGTH + 10, 'x') + "\nMallory;TEXT;OOC;after\n");
    ASSERT_TRUE(alice.wait_for("Mallory;TEXT"));
    EXPECT_EQ(alice.received, Lines { "Mallory;TEXT;OOC;after" });
    alice.received.clear();
    for (const char* text : { "Malformed packet from 127.0.0.1:", "Line too long from 127.0.0.1:",
             "Rejected  from Mallory: Unknown command ''" })
        EXPECT_TRUE(server.wait_for_log(text)) << text;
    ::shutdown(fd, SHUT_WR);
    const std::string answers = raw_read_all(fd);
    ::close(fd);
    EXPECT_NE(answers.find("*;ERROR;Malformed packet\n"), std::string::npos) << answers;
    EXPECT_NE(answers.find("*;ERROR;Line too long\n"), std::string::npos) << answers;

    ASSERT_TRUE(alice.wait_for("Mallory;ONLINE;0"));
    alice.send({ "Alice;TEXT;OOC;still here" });
    EXPECT_EQ(alice.sync(), (Lines { "Mallory;ONLINE;0", "Mallory;WRITING;", "Alice;TEXT;OOC;still here" }));
}

TEST_F(ChatServerTest, AClientThatStopsReadingIsDisconnectedWithoutHoldingUpTheOthers)
{
    ServerProcess server;
    Client& speaker = login(server, "Speaker");
    Client& reader = login(server, "Reader");
    int stuck = raw_connect(server.address, 4096);
    raw_send(stuck, ";NAME;Stuck\n");
    ASSERT_TRUE(reader.wait_for("Stuck;ONLINE;1"));
    reader.received.clear();
    speaker.received.clear();

    // Far more than the 4 MiB limit plus what the kernel buffers for Stuck.
    const int line_count = 256;
    const std::string text(65536, 'y');
    int sent = 0;
    auto count = [](const Client& c)
    {
        return std::count_if(c.received.begin(), c.received.end(),
            [](const std::string& line) { return line.find(";TEXT;") != std::string::npos; });
    };
    ASSERT_TRUE(reader.pump_until(
        [&]
        {
            // A few lines in flight, so the speaker's own echo never stalls.
            while (sent < line_count && sent - count(speaker) < 8)
                speaker.send({ "Speaker;TEXT;OOC;" + text + std::to_string(sent++) });
            return count(reader) == line_count && count(speaker) == line_count;
        },
        milliseconds(60000)));
    EXPECT_EQ(reader.received.back(), "Speaker;TEXT;OOC;" + text + std::to_string(line_count - 1));
    EXPECT_NE(reader.find("Stuck;ONLINE;0"), reader.received.end());
    EXPECT_TRUE(server.wait_for_log("Too much output waiting"));
    ::close(stuck);
}

TEST_F(ChatServerTest, TheClientAfterTheFiveHundredTwelfthIsToldTheServerIsFull)
{
    rlimit limit;
    ::getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = std::max(limit.rlim_cur, std::min<rlim_t>(700, limit.rlim_max));
    ::setrlimit(RLIMIT_NOFILE, &limit);
    ServerProcess server;
    std::vector<int> fds;
    for (unsigned i = 0; i < ChatServer::MAX_CLIENTS; ++i)
    {
        fds.push_back(raw_connect(server.address));
        ASSERT_GE(fds.back(), 0) << i;
    }
    EXPECT_TRUE(
        wait_until([&] { return server.count_in_log("New connection from") >= ChatServer::MAX_CLIENTS; }));

    int extra = raw_connect(server.address);
    ASSERT_GE(extra, 0);
    EXPECT_EQ(raw_read_all(extra), "*;ERROR;Server full\n");
    ::close(extra);
    EXPECT_TRUE(server.wait_for_log("Rejected connection from 127.0.0.1:"));
    for (int fd : fds)
        ::close(fd);
}

// The time-out is woken by a timer armed only while somebody is waiting:
// the server does not poll, waiting or not.
TEST_F(ChatServerTest, ConnectionsThatDoNotLogInInTimeAreClosedWithoutPolling)
{
    ServerProcess server({ "--login-timeout", "2" });
    auto switches_while_idle = [&]
    {
        std::this_thread::sleep_for(milliseconds(300));
        const unsigned long before = voluntary_switches(server);
        std::this_thread::sleep_for(milliseconds(800));
        return voluntary_switches(server) - before;
    };
    const auto start = Clock::now();
    Client& first = client(server);
    EXPECT_LE(switches_while_idle(), 2u);
    Client& second = client(server);
    Client& alice = login(server, "Alice");

    // Each waiting connection has its own deadline.
    ASSERT_TRUE(first.pump_until([&] { return first.closed; }));
    EXPECT_GE(Clock::now() - start, milliseconds(1900));
    EXPECT_FALSE(second.closed);
    ASSERT_TRUE(second.pump_until([&] { return second.closed; }));
    for (Client* c : { &first, &second })
        EXPECT_EQ(c->received, Lines { "*;ERROR;Login timed out" });
    ASSERT_TRUE(server.wait_for_log("Login timed out from 127.0.0.1:"));
    EXPECT_EQ(server.count_in_log("Login timed out from 127.0.0.1:"), 2u);

    // Logged in in time: kept, and newcomers are still welcome.
    EXPECT_LE(switches_while_idle(), 2u);
    EXPECT_TRUE(alice.sync().empty());
    EXPECT_FALSE(alice.closed);
    login(server, "Bob");
    EXPECT_EQ(server.count_in_log("Login timed out"), 2u);
}

} // namespace
