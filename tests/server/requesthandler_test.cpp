#include "server/requesthandler.h"

#include "common/packet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <utility>

using namespace std::string_literals;

namespace
{

using Lines = std::vector<std::string>;

// Every test starts with the game master (client 1) and Alice (client 2)
// logged in, and nothing sent yet.
class RequestHandlerTest: public ::testing::Test, public Outbox
{
protected:
    RequestHandlerTest() { sent.clear(); }

    void send(ClientId to, const Packet& packet) override { sent[to].push_back(packet.str()); }
    void close(ClientId client) override { closed.insert(client); }

    ClientId connect()
    {
        handler.add_client(next_id, "10.0.0." + std::to_string(next_id) + ":5000");
        return next_id++;
    }

    ClientId login(const std::string& name)
    {
        const ClientId id = connect();
        handler.handle(id, Packet("", "NAME", name));
        return id;
    }

    void run(ClientId id, const Lines& lines)
    {
        for (const auto& line : lines)
            handler.handle(id, Packet(line));
    }

    Lines take(ClientId id) { return std::exchange(sent[id], {}); }

    bool nobody_was_sent_anything() const
    {
        return std::all_of(sent.begin(), sent.end(), [](const auto& entry) { return entry.second.empty(); });
    }

    bool logged(const std::string& line) const { return log.str().find(line + "\n") != std::string::npos; }

    std::map<ClientId, Lines> sent;
    std::set<ClientId> closed;
    GameState state;
    std::ostringstream log;
    RequestHandler handler { state, *this, "Saga", log };
    ClientId next_id = 1;
    const ClientId gm = login("GM");
    const ClientId alice = login("Alice");
};

TEST_F(RequestHandlerTest, LoginRefusesBadAndTakenNames)
{
    run(gm, { "GM;ADDNPC;Guard" });
    handler.remove_client(login("Dora"));
    sent.clear();
    const std::string control = "Control characters are not allowed";
    const std::pair<std::string, std::string> cases[]
        = { { "", "Invalid name" }, { std::string(33, 'x'), "Name too long" }, { "a;b", "Invalid name" },
              { "a\0b"s, control }, { "B\xf6rk", "Invalid UTF-8" }, { "*", "Invalid name" },
              { "Alice", "The name Alice is already in use" },
              { "ALICE", "The name ALICE is already in use (as Alice)" },
              { "gm", "The name gm is already in use (as GM)" },
              { "Guard", "The name Guard is already in use (by a non-player character)" },
              { "dORA", "The name dORA is already in use (as Dora)" } }; // offline, but another spelling
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        const ClientId id = login(c.first);
        EXPECT_EQ(take(id), Lines { Packet("*", "ERROR", c.second).str() });
        EXPECT_EQ(closed.count(id), 1u);
        EXPECT_TRUE(nobody_was_sent_anything());
    }
    EXPECT_EQ(handler.get_online_count(), 2u);
    EXPECT_TRUE(logged("Rejected login from 10.0.0.5:5000: Name too long"));
    // Nor before the game master has ever logged in.
    GameState fresh;
    RequestHandler first_login { fresh, *this, "Saga", log };
    first_login.add_client(50, "10.0.0.50:5000");
    first_login.handle(50, Packet("", "NAME", "Gm"));
    EXPECT_EQ(take(50), Lines { Packet("*", "ERROR", "The name Gm is already in use (as GM)").str() });
    // 32 bytes is still a name.
    EXPECT_EQ(closed.count(login(std::string(32, 'y'))), 0u);
}

TEST_F(RequestHandlerTest, ANewcomerLearnsTheStateAndEverybodyLearnsOfIt)
{
    run(gm,
        { "GM;STARTSESSION;Night", "GM;ADDNPC;Guard", "GM;ADDSCENE;Tavern;1", "GM;SETSCENEGROUP;Tavern;Town",
            "GM;ENTER;Tavern;Guard", "GM;AFK;tea" });
    sent.clear();
    EXPECT_EQ(take(login("Bob")),
        (Lines { "*;GAME;Saga", "*;SESSION;Night", "*;ADDCHAR;GM;0", "*;ADDCHAR;Alice;0", "*;ADDCHAR;Guard;1",
            "*;ADDCHAR;Bob;0", "*;ADDSCENE;OOC;0", "*;ADDSCENE;Tavern;1", "*;SCENEGROUP;Tavern;Town",
            "GM;ENTER;OOC", "Alice;ENTER;OOC", "Bob;ENTER;OOC", "Guard;ENTER;Tavern", "GM;ONLINE;1",
            "Alice;ONLINE;1", "Bob;ONLINE;1", "GM;AFK;tea" }));
    EXPECT_EQ(take(alice), (Lines { "*;ADDCHAR;Bob;0", "Bob;ENTER;OOC", "Bob;ONLINE;1" }));
    EXPECT_TRUE(logged("Login: Bob from 10.0.0.3:5000"));
}

TEST_F(RequestHandlerTest, BadRequestsEarnAnErrorAndChangeNothing)
{
    const ClientId bob = login("Bob");
    run(gm, { "GM;ADDNPC;Guard", "GM;ADDSCENE;Tavern;0" });
    sent.clear();
    const unsigned long revision = state.get_revision();
    const std::string gm_only = "Only the game master may do that";
    const std::string control = "Control characters are not allowed";
    struct Case
    {
        ClientId sender;
        std::string line, error;
    };
    std::vector<Case> cases = {
        { alice, "GM;ADDNPC;Thief", gm_only }, // "GM" on somebody else's connection
        { alice, "Alice;TEXT;Tavern;hi", "You are not in the scene Tavern" },
        { alice, "Bob;TEXT;OOC;hi", "You may not speak as Bob" },
        { gm, "Bob;TEXT;Tavern;hi", "You may not speak as Bob" },
        { bob, "Guard;SETBIOGRAPHY;Rude", "You may not change the biography of Guard" },
        { gm, "Nobody;SETBIOGRAPHY;x", "There is no character named Nobody" },
        { gm, "GM;ENTER;OOC;Alice", "Alice is already in the scene OOC" },
        { gm, "GM;LEAVE;Tavern;Alice", "Alice is not in the scene Tavern" },
        { gm, "GM;LEAVE;OOC;Alice", "Players always stay in OOC" },
        { gm, "GM;ENTER;Tavern;Nobody", "There is no character named Nobody" },
        { gm, "GM;REMOVECHAR;Alice", "Alice is online and cannot be removed" },
        { gm, "GM;RENAMESCENE;OOC;Lobby", "The scene OOC cannot be renamed" },
        { gm, "GM;RENAMESCENE;Tavern;TAVERN", "The scene TAVERN already exists" },
        { gm, "GM;RENAMESCENE;Tavern;ooc", "The scene ooc already exists" },
        { gm, "GM;ADDSCENE;ooc;0", "The scene ooc already exists" },
        { gm, "GM;ADDSCENE;;0", "Invalid scene name" },
        { gm, "GM;ADDSCENE;Cellar;2", "Invalid flag '2'" },
        { gm, "GM;REMOVESCENE;OOC", "The scene OOC cannot be removed" },
        { gm, "GM;SETSCENEGROUP;OOC|a|b", "Invalid group name" },
        { gm, "GM;STARTSESSION;", "Invalid session name" },
        { gm, "GM;ADDNPC;gm", "Invalid name" },
        { gm, "GM;ADDNPC;Alice", "The character Alice already exists" },
        { gm, "GM;", "Unknown command ''" },
        { alice, "Alice;\x1b[2J\xc2\x85", "Unknown command '\x1b[2J\xc2\x85'" },
        { gm, "GM;NAME;Other", "Already logged in" },
        { gm, "GM;TEXT;OOC", "Missing parameter for TEXT" },
        { gm, "GM;ADDSCENE;Cellar", "Missing parameter for ADDSCENE" },
        // What others would have to draw.
        { alice, "Alice;TEXT;OOC;" + std::string(16 * 1024 + 1, 'x'), "Line too long" },
        { alice, "Alice;TEXT;OOC;two\alines", control },
        { alice, "Alice;AFK;\x07", control },
        { alice, "Alice;WRITING;\x01", control },
        { alice, "Alice;OOC;OOC;caf\xe9", "Invalid UTF-8" },
        { alice, "Alice;SETBIOGRAPHY;a\rb", control },
        { gm, "GM;ADDSCENE;" + std::string(33, 'x') + ";0", "Name too long" },
        { gm, "GM;RENAMESCENE;Tavern;a\tb", control },
        { gm, "GM;STARTSESSION;a\tb", "Invalid session name" },
    };
    for (const char* line : { "Alice;STARTSESSION;Night", "Alice;ENDSESSION", "Alice;ADDSCENE;Cellar;0",
             "Alice;REMOVESCENE;Tavern", "Alice;SETSCENEGROUP;Tavern;Town", "Alice;RENAMESCENE;Tavern;Inn",
             "Alice;REMOVECHAR;Guard", "Alice;ENTER;Tavern;Alice", "Alice;LEAVE;OOC;Alice" })
        cases.push_back({ alice, line, gm_only });
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.line);
        run(c.sender, { c.line });
        EXPECT_EQ(take(c.sender), Lines { Packet("*", "ERROR", c.error).str() });
        EXPECT_TRUE(nobody_was_sent_anything());
    }
    EXPECT_EQ(state.get_revision(), revision);
    EXPECT_TRUE(closed.empty());
    EXPECT_TRUE(logged("Rejected ADDNPC from Alice: " + gm_only));
    // What a client wrote cannot forge or break a log line.
    EXPECT_TRUE(logged("Rejected \\x1b[2J\\xc2\\x85 from Alice: Unknown command '\\x1b[2J\\xc2\\x85'"));

    // Extra parameters are ignored.
    run(alice, { "Alice;WRITING;OOC;extra" });
    EXPECT_EQ(take(gm), Lines { "Alice;WRITING;OOC" });
}

TEST_F(RequestHandlerTest, LinesReachThosePresentAndAnswersTheAskerAlone)
{
    const ClientId bob = login("Bob");
    const ClientId carol = login("Carol");
    run(gm, { "GM;ADDNPC;Guard", "GM;ADDSCENE;Tavern;0", "GM;ENTER;Tavern;Alice", "GM;ENTER;Tavern;Carol" });
    handler.remove_client(carol); // present, but offline
    sent.clear();

    run(bob, { "Bob;OOC;OOC;brb" });
    for (ClientId id : { alice, bob, gm })
        EXPECT_EQ(take(id), Lines { "Bob;OOC;OOC;brb" });

    // The scene's name as the server spells it, whatever the sender wrote;
    // the game master speaks anywhere, as "GM" or as any NPC.
    run(alice, { "Alice;TEXT;TAVERN;hi" });
    run(gm, { "guard;TEXT;Tavern;Halt!", "GM;OOC;Tavern;Let us begin" });
    const Lines lines { "Alice;TEXT;Tavern;hi", "Guard;TEXT;Tavern;Halt!", "GM;OOC;Tavern;Let us begin" };
    EXPECT_EQ(take(gm), lines);
    EXPECT_EQ(take(alice), lines);
    EXPECT_TRUE(take(bob).empty());
    EXPECT_TRUE(take(carol).empty());

    // Answers to a query go to the asker alone.
    run(bob, { "Bob;AFK;tea" });
    sent.clear();
    const std::pair<std::string, std::string> queries[] = { { "alice", "Alice is online; scenes: OOC, Tavern" },
        { "Bob", "Bob is online and away (tea); scenes: OOC" }, { "Carol", "Carol is offline; scenes: OOC, Tavern" },
        { "Guard", "Guard is a non-player character; in no scene" },
        { "Nobody", "There is no character named Nobody" } };
    for (const auto& c : queries)
    {
        SCOPED_TRACE(c.first);
        run(alice, { "Alice;QUERY;" + c.first });
        EXPECT_EQ(take(alice), Lines { Packet("*", "OOC", "OOC", c.second).str() });
        EXPECT_TRUE(nobody_was_sent_anything());
    }
}

TEST_F(RequestHandlerTest, GoingOfflineEndsWritingAndAwayButKeepsThePlace)
{
    const ClientId bob = login("Bob");
    run(gm, { "GM;ADDSCENE;Tavern;0", "GM;ENTER;Tavern;Bob" });
    sent.clear();
    run(alice, { "Alice;WRITING;OOC", "Alice;AFK;Gone fishing" });
    const Lines expected = { "Alice;WRITING;OOC", "Alice;AFK;Gone fishing" };
    EXPECT_EQ(take(alice), expected);
    EXPECT_EQ(take(gm), expected);

    handler.remove_client(alice);
    EXPECT_EQ(take(gm), (Lines { "Alice;ONLINE;0", "Alice;WRITING;", "Alice;AFK;" }));
    EXPECT_TRUE(logged("Logout: Alice from 10.0.0.2:5000"));
    // On return only the login itself is news, and nobody is away.
    const Lines again = take(login("Alice"));
    EXPECT_EQ(std::count(again.begin(), again.end(), "Alice;AFK;Gone fishing"), 0);
    EXPECT_EQ(take(gm), Lines { "Alice;ONLINE;1" });

    handler.remove_client(bob);
    EXPECT_EQ(take(gm), (Lines { "Bob;ONLINE;0", "Bob;WRITING;" }));
    EXPECT_TRUE(state.find_scene("Tavern")->has("Bob"));
    handler.remove_client(bob); // a second time changes nothing
    EXPECT_TRUE(take(gm).empty());
}

TEST_F(RequestHandlerTest, TheGameMastersChangesAreAnnouncedToEveryone)
{
    const std::pair<Lines, Lines> steps[] = {
        { { "GM;ADDNPC;Guard", "GM;ADDSCENE;Tavern;1", "GM;ADDSCENE;Cellar;0", "GM;ADDSCENE;Attic;0",
              "GM;SETSCENEGROUP;Tavern;Town", "GM;SETSCENEGROUP;OOC;Meta", "GM;SETSCENEGROUP;OOC;" },
            { "*;ADDCHAR;Guard;1", "*;ADDSCENE;Tavern;1", "*;ADDSCENE;Cellar;0", "*;ADDSCENE;Attic;0",
                "*;SCENEGROUP;Tavern;Town", "*;SCENEGROUP;OOC;Meta", "*;SCENEGROUP;OOC;" } },
        { { "GM;ENTER;tavern;alice", "GM;ENTER;Tavern;Guard" },
            { "Alice;ENTER;Tavern", "Guard;ENTER;Tavern" } },
        // Renaming moves the occupants in order; the scene keeps its place.
        { { "GM;RENAMESCENE;tavern;Inn" },
            { "*;ADDSCENE;Inn;1", "*;SCENEGROUP;Inn;Town", "Alice;LEAVE;Tavern", "Alice;ENTER;Inn",
                "Guard;LEAVE;Tavern", "Guard;ENTER;Inn" } },
        { { "GM;LEAVE;inn;Alice", "GM;ENTER;OOC;Guard" }, { "Alice;LEAVE;Inn", "Guard;ENTER;OOC" } },
        // Removing a character or a scene empties its scenes first.
        { { "GM;REMOVECHAR;guard" }, { "Guard;LEAVE;OOC", "Guard;LEAVE;Inn", "*;REMOVECHAR;Guard" } },
        { { "GM;ENTER;Cellar;Alice", "GM;REMOVESCENE;CELLAR" },
            { "Alice;ENTER;Cellar", "Alice;LEAVE;Cellar" } },
        { { "GM;STARTSESSION|First; night", "GM;ENDSESSION" }, { "*;SESSION|First; night", "*;SESSION;" } },
    };
    for (const auto& step : steps)
    {
        SCOPED_TRACE(step.first.front());
        run(gm, step.first);
        EXPECT_EQ(take(alice), step.second);
        EXPECT_EQ(take(gm), step.second);
    }
    Lines scenes;
    for (const auto& scene : state.get_scenes())
        scenes.push_back(scene.name);
    EXPECT_EQ(scenes, (Lines { "OOC", "Inn", "Attic" }));
    EXPECT_EQ(state.find_character("Guard"), nullptr);
    EXPECT_EQ(state.get_session(), "");

    // A player once offline may be removed.
    handler.remove_client(alice);
    sent.clear();
    run(gm, { "GM;REMOVECHAR;Alice" });
    EXPECT_EQ(take(gm), (Lines { "Alice;LEAVE;OOC", "*;REMOVECHAR;Alice" }));
}

TEST_F(RequestHandlerTest, ClientsNotLoggedInGetAnErrorAndUnknownClientsNothing)
{
    const ClientId id = connect();
    handler.reject_line(id, "Malformed packet");
    EXPECT_EQ(take(id), Lines { "*;ERROR;Malformed packet" });
    EXPECT_TRUE(logged("Rejected line from 10.0.0.3:5000: Malformed packet"));
    run(id, { "Bob;TEXT;OOC;hello" });
    EXPECT_EQ(take(id), Lines { "*;ERROR;Log in with NAME first" });
    EXPECT_EQ(closed, std::set<ClientId> { id });

    // Forgotten once closed, like one never connected.
    for (ClientId gone : { id, ClientId(99) })
    {
        run(gone, { ";NAME;Bob" });
        handler.reject_line(gone, "Malformed packet");
        handler.time_out_login(gone);
    }
    EXPECT_TRUE(nobody_was_sent_anything());
    EXPECT_EQ(closed.size(), 1u);
    EXPECT_EQ(state.find_character("Bob"), nullptr);
}

} // namespace
