#include "server/requesthandler.h"

#include "common/packet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

namespace
{

using Lines = std::vector<std::string>;

class RecordingOutbox: public Outbox
{
public:
    void send(ClientId to, const Packet& packet) override { sent[to].push_back(packet.str()); }
    void close(ClientId client) override { closed.insert(client); }

    std::map<ClientId, Lines> sent;
    std::set<ClientId> closed;
};

class RequestHandlerTest: public ::testing::Test
{
protected:
    ClientId connect()
    {
        ClientId id = next_id++;
        handler.add_client(id, "10.0.0." + std::to_string(id) + ":5000");
        return id;
    }

    ClientId login(const std::string& name)
    {
        ClientId id = connect();
        handler.handle(id, Packet("", "NAME", name));
        names[id] = name;
        return id;
    }

    void request(ClientId id, const std::string& cmd, const std::vector<std::string>& params)
    {
        handler.handle(id, Packet(names[id], cmd, params));
    }

    void request_as(ClientId id, const std::string& origin, const std::string& cmd,
        const std::vector<std::string>& params)
    {
        handler.handle(id, Packet(origin, cmd, params));
    }

    // What the client was sent since the last take.
    Lines take(ClientId id)
    {
        Lines lines;
        lines.swap(outbox.sent[id]);
        return lines;
    }

    void forget_all()
    {
        for (auto& entry : outbox.sent)
            entry.second.clear();
    }

    bool nobody_was_sent_anything()
    {
        for (auto& entry : outbox.sent)
            if (!entry.second.empty())
                return false;
        return true;
    }

    GameState state;
    RecordingOutbox outbox;
    std::ostringstream log;
    RequestHandler handler { state, outbox, "Saga", log };
    std::map<ClientId, std::string> names;
    ClientId next_id = 1;
};

TEST_F(RequestHandlerTest, LoginAnnouncesTheWholeStateInOrder)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    request(gm, "STARTSESSION", { "Night" });
    request(gm, "ADDNPC", { "Guard" });
    request(gm, "ADDSCENE", { "Tavern", "1" });
    request(gm, "SETSCENEGROUP", { "Tavern", "Town" });
    request(gm, "ENTER", { "Tavern", "Guard" });
    request(alice, "AFK", { "Out for lunch" });

    ClientId bob = login("Bob");
    EXPECT_EQ(take(bob),
        (Lines { "*;GAME;Saga", "*;SESSION;Night", "*;ADDCHAR;GM;0", "*;ADDCHAR;Alice;0", "*;ADDCHAR;Guard;1",
            "*;ADDCHAR;Bob;0", "*;ADDSCENE;OOC;0", "*;ADDSCENE;Tavern;1", "*;SCENEGROUP;Tavern;Town",
            "GM;ENTER;OOC", "Alice;ENTER;OOC", "Bob;ENTER;OOC", "Guard;ENTER;Tavern", "GM;ONLINE;1",
            "Alice;ONLINE;1", "Bob;ONLINE;1", "Alice;AFK;Out for lunch" }));
    EXPECT_NE(log.str().find("Login: Bob from 10.0.0.3:5000\n"), std::string::npos);
}

TEST_F(RequestHandlerTest, OthersHearOfANewcomerAndOfAReturningCharacter)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    EXPECT_EQ(take(gm),
        (Lines { "*;GAME;Saga", "*;SESSION;", "*;ADDCHAR;GM;0", "*;ADDSCENE;OOC;0", "GM;ENTER;OOC",
            "GM;ONLINE;1", "*;ADDCHAR;Alice;0", "Alice;ENTER;OOC", "Alice;ONLINE;1" }));

    handler.remove_client(alice);
    forget_all();
    alice = login("Alice");
    // Known, and still in OOC: only the login itself is news.
    EXPECT_EQ(take(gm), Lines { "Alice;ONLINE;1" });
}

TEST_F(RequestHandlerTest, LoginRefusesBadAndTakenNames)
{
    ClientId gm = login("GM");
    login("Alice");
    request(gm, "ADDNPC", { "Guard" });
    forget_all();

    const struct
    {
        std::string name;
        std::string error;
    } cases[] = {
        { "", "Invalid name" },
        { std::string(33, 'x'), "Invalid name" },
        { "a;b", "Invalid name" },
        { "a|b", "Invalid name" },
        { "a\nb", "Invalid name" },
        { "a\rb", "Invalid name" },
        { "a\ab", "Invalid name" },
        { "*", "Invalid name" },
        { "Alice", "Name already in use" },
        { "ALICE", "Name already in use" },
        { "GM", "Name already in use" },
        { "gm", "Name already in use" },
        { "Guard", "Name already in use" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        ClientId id = connect();
        handler.handle(id, Packet("", "NAME", c.name));
        EXPECT_EQ(take(id), Lines { Packet("*", "ERROR", c.error).str() });
        EXPECT_EQ(outbox.closed.count(id), 1u);
        EXPECT_TRUE(nobody_was_sent_anything());
    }
    EXPECT_EQ(handler.get_online_count(), 2u);
    EXPECT_NE(log.str().find("Rejected login from 10.0.0.4:5000: Invalid name\n"), std::string::npos);

    // 32 bytes is still a name.
    ClientId long_name = login(std::string(32, 'y'));
    EXPECT_EQ(outbox.closed.count(long_name), 0u);
}

TEST_F(RequestHandlerTest, ASecondSpellingOfAnOfflineCharacterIsRefused)
{
    ClientId alice = login("Alice");
    handler.remove_client(alice);
    ClientId other = login("aLiCe");
    EXPECT_EQ(take(other), Lines { "*;ERROR;Name already in use" });
    EXPECT_EQ(state.get_characters().size(), 1u);
}

TEST_F(RequestHandlerTest, TheFirstPacketMustBeName)
{
    ClientId id = connect();
    handler.handle(id, Packet("Alice", "TEXT", "OOC", "hello"));
    EXPECT_EQ(take(id), Lines { "*;ERROR;Log in with NAME first" });
    EXPECT_EQ(outbox.closed.count(id), 1u);
    // The client is forgotten: later packets reach nobody.
    handler.handle(id, Packet("", "NAME", "Alice"));
    EXPECT_TRUE(take(id).empty());
    EXPECT_EQ(state.find_character("Alice"), nullptr);
}

TEST_F(RequestHandlerTest, OnlyTheGameMasterMayManageTheGame)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ADDNPC", { "Guard" });
    forget_all();
    const unsigned long revision = state.get_revision();

    const std::vector<std::vector<std::string>> requests = {
        { "STARTSESSION", "Night" },
        { "ENDSESSION" },
        { "ADDSCENE", "Cellar", "0" },
        { "REMOVESCENE", "Tavern" },
        { "SETSCENEGROUP", "Tavern", "Town" },
        { "RENAMESCENE", "Tavern", "Inn" },
        { "ADDNPC", "Thief" },
        { "REMOVECHAR", "Guard" },
        { "ENTER", "Tavern", "Alice" },
        { "LEAVE", "OOC", "Alice" },
    };
    for (const auto& r : requests)
    {
        SCOPED_TRACE(r[0]);
        request(alice, r[0], std::vector<std::string>(r.begin() + 1, r.end()));
        EXPECT_EQ(take(alice), Lines { "*;ERROR;Only the game master may do that" });
        EXPECT_TRUE(nobody_was_sent_anything());
    }
    EXPECT_EQ(state.get_revision(), revision);
    EXPECT_NE(
        log.str().find("Rejected ADDNPC from Alice: Only the game master may do that\n"), std::string::npos);
    // A name that only looks like the game master's is not the game master,
    // and neither is an origin of "GM" on somebody else's connection.
    request_as(alice, "GM", "ADDNPC", { "Thief" });
    EXPECT_EQ(take(alice), Lines { "*;ERROR;Only the game master may do that" });
}

TEST_F(RequestHandlerTest, LinesGoToPresentPlayersTheGameMasterAndTheSender)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    ClientId bob = login("Bob");
    ClientId carol = login("Carol");
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ENTER", { "Tavern", "Alice" });
    request(gm, "ENTER", { "Tavern", "Carol" });
    handler.remove_client(carol); // present, but offline
    forget_all();

    request(alice, "TEXT", { "Tavern", "Hello; \"everyone\"|" });
    const std::string line = "Alice;TEXT;Tavern|Hello; \"everyone\"|";
    EXPECT_EQ(take(alice), Lines { line });
    EXPECT_EQ(take(gm), Lines { line });
    EXPECT_TRUE(take(bob).empty());
    EXPECT_TRUE(take(carol).empty());

    request(bob, "OOC", { "OOC", "brb" });
    EXPECT_EQ(take(alice), Lines { "Bob;OOC;OOC;brb" });
    EXPECT_EQ(take(bob), Lines { "Bob;OOC;OOC;brb" });
    EXPECT_EQ(take(gm), Lines { "Bob;OOC;OOC;brb" });

    // The scene's name as the server spells it, whatever the sender wrote.
    request(alice, "TEXT", { "TAVERN", "hi" });
    EXPECT_EQ(take(gm), Lines { "Alice;TEXT;Tavern;hi" });
}

TEST_F(RequestHandlerTest, SpeakersMustBeThemselvesAndPresent)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    login("Bob");
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ADDNPC", { "Guard" });
    forget_all();
    const struct
    {
        ClientId sender;
        std::string origin;
        std::string scene;
        std::string error;
    } cases[] = {
        { alice, "Alice", "Tavern", "You are not in the scene Tavern" },
        { alice, "Bob", "OOC", "You may not speak as Bob" },
        { alice, "Guard", "OOC", "You may not speak as Guard" },
        { alice, "", "OOC", "You may not speak as " },
        { alice, "Alice", "Cellar", "There is no scene named Cellar" },
        { gm, "Bob", "Tavern", "You may not speak as Bob" },
        { gm, "Nobody", "Tavern", "You may not speak as Nobody" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.origin + " in " + c.scene);
        request_as(c.sender, c.origin, "TEXT", { c.scene, "hi" });
        EXPECT_EQ(take(c.sender), Lines { Packet("*", "ERROR", c.error).str() });
        EXPECT_TRUE(nobody_was_sent_anything());
    }

    // The game master speaks anywhere, as "GM" or as any NPC, absent or not.
    request_as(gm, "guard", "TEXT", { "Tavern", "Halt!" });
    EXPECT_EQ(take(gm), Lines { "Guard;TEXT;Tavern;Halt!" });
    request_as(gm, "GM", "OOC", { "Tavern", "Let us begin" });
    EXPECT_EQ(take(gm), Lines { "GM;OOC;Tavern;Let us begin" });
    EXPECT_TRUE(take(alice).empty());
}

TEST_F(RequestHandlerTest, WritingAndAwayGoToEveryone)
{
    ClientId alice = login("Alice");
    ClientId bob = login("Bob");
    forget_all();
    request(alice, "WRITING", { "OOC" });
    request(alice, "AFK", { "Gone fishing" });
    const Lines expected = { "Alice;WRITING;OOC", "Alice;AFK;Gone fishing" };
    EXPECT_EQ(take(alice), expected);
    EXPECT_EQ(take(bob), expected);

    // Going offline ends writing and being away.
    handler.remove_client(alice);
    EXPECT_EQ(take(bob), (Lines { "Alice;ONLINE;0", "Alice;WRITING;", "Alice;AFK;" }));
    EXPECT_NE(log.str().find("Logout: Alice from 10.0.0.1:5000\n"), std::string::npos);
    ClientId again = login("Alice");
    Lines lines = take(again);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Alice;AFK;Gone fishing"), 0);
}

TEST_F(RequestHandlerTest, DisconnectingKeepsTheCharacterWhereItWas)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ENTER", { "Tavern", "Alice" });
    forget_all();
    handler.remove_client(alice);
    EXPECT_EQ(take(gm), (Lines { "Alice;ONLINE;0", "Alice;WRITING;" }));
    EXPECT_TRUE(state.find_scene("Tavern")->has("Alice"));
    handler.remove_client(alice); // a second time changes nothing
    EXPECT_TRUE(take(gm).empty());
}

TEST_F(RequestHandlerTest, QueryIsAnsweredToTheAskerAlone)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    ClientId bob = login("Bob");
    request(gm, "ADDNPC", { "Guard" });
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ENTER", { "Tavern", "Alice" });
    request(bob, "AFK", { "tea" });
    ClientId carol = login("Carol");
    handler.remove_client(carol);
    forget_all();

    const std::pair<std::string, std::string> cases[] = {
        { "alice", "Alice is online; scenes: OOC, Tavern" },
        { "Bob", "Bob is online and away (tea); scenes: OOC" },
        { "Carol", "Carol is offline; scenes: OOC" },
        { "Guard", "Guard is a non-player character; in no scene" },
        { "Nobody", "There is no character named Nobody" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        request(alice, "QUERY", { c.first });
        EXPECT_EQ(take(alice), Lines { Packet("*", "OOC", "OOC", c.second).str() });
        EXPECT_TRUE(nobody_was_sent_anything());
    }
}

TEST_F(RequestHandlerTest, BiographiesBelongToTheirCharacterAndTheGameMaster)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    ClientId bob = login("Bob");
    request(gm, "ADDNPC", { "Guard" });
    forget_all();

    request_as(alice, "Alice", "SETBIOGRAPHY", { "Tall.\nQuiet; \"kind\"." });
    request_as(bob, "Alice", "SETBIOGRAPHY", { "Rude" });
    EXPECT_EQ(take(bob), Lines { "*;ERROR;You may not change the biography of Alice" });
    request_as(bob, "Guard", "SETBIOGRAPHY", { "Rude" });
    EXPECT_EQ(take(bob), Lines { "*;ERROR;You may not change the biography of Guard" });
    request_as(gm, "Guard", "SETBIOGRAPHY", { "Old soldier" });
    request_as(gm, "Nobody", "SETBIOGRAPHY", { "x" });
    EXPECT_EQ(take(gm), Lines { "*;ERROR;There is no character named Nobody" });
    EXPECT_TRUE(nobody_was_sent_anything());

    request(bob, "GETBIOGRAPHY", { "ALICE" });
    EXPECT_EQ(take(bob), Lines { Packet("Alice", "BIOGRAPHY", "Tall.\nQuiet; \"kind\".").str() });
    request(bob, "GETBIOGRAPHY", { "guard" });
    EXPECT_EQ(take(bob), Lines { "Guard;BIOGRAPHY;Old soldier" });
    request(bob, "GETBIOGRAPHY", { "Bob" });
    EXPECT_EQ(take(bob), Lines { "Bob;BIOGRAPHY;" });
    EXPECT_TRUE(take(alice).empty());
}

TEST_F(RequestHandlerTest, EnterAndLeaveMoveCharactersAndTellEveryone)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ADDNPC", { "Guard" });
    forget_all();

    request(gm, "ENTER", { "tavern", "alice" });
    EXPECT_EQ(take(alice), Lines { "Alice;ENTER;Tavern" });
    EXPECT_EQ(take(gm), Lines { "Alice;ENTER;Tavern" });
    request(gm, "ENTER", { "Tavern", "Alice" });
    EXPECT_EQ(take(gm), Lines { "*;ERROR;Alice is already in the scene Tavern" });
    request(gm, "LEAVE", { "Tavern", "Alice" });
    EXPECT_EQ(take(alice), Lines { "Alice;LEAVE;Tavern" });
    request(gm, "LEAVE", { "Tavern", "Alice" });
    EXPECT_EQ(take(gm), (Lines { "Alice;LEAVE;Tavern", "*;ERROR;Alice is not in the scene Tavern" }));

    // Every player stays in OOC; NPCs come and go.
    request(gm, "LEAVE", { "OOC", "Alice" });
    EXPECT_EQ(take(gm), Lines { "*;ERROR;Players always stay in OOC" });
    request(gm, "ENTER", { "OOC", "Guard" });
    request(gm, "LEAVE", { "OOC", "Guard" });
    EXPECT_EQ(take(alice), (Lines { "Guard;ENTER;OOC", "Guard;LEAVE;OOC" }));
    forget_all();
    request(gm, "ENTER", { "Cellar", "Guard" });
    EXPECT_EQ(take(gm), Lines { "*;ERROR;There is no scene named Cellar" });
    request(gm, "ENTER", { "Tavern", "Nobody" });
    EXPECT_EQ(take(gm), Lines { "*;ERROR;There is no character named Nobody" });
}

TEST_F(RequestHandlerTest, RemovingACharacterEmptiesItsScenesFirst)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    request(gm, "ADDNPC", { "Guard" });
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "ENTER", { "Tavern", "Guard" });
    request(gm, "ENTER", { "OOC", "Guard" });
    forget_all();

    request(gm, "REMOVECHAR", { "guard" });
    EXPECT_EQ(take(alice), (Lines { "Guard;LEAVE;OOC", "Guard;LEAVE;Tavern", "*;REMOVECHAR;Guard" }));
    EXPECT_EQ(state.find_character("Guard"), nullptr);
    EXPECT_FALSE(state.find_scene("Tavern")->has("Guard"));
    forget_all();

    // An online player would be left logged in as nobody.
    request(gm, "REMOVECHAR", { "Alice" });
    EXPECT_EQ(take(gm), Lines { "*;ERROR;Alice is online and cannot be removed" });
    handler.remove_client(alice);
    forget_all();
    request(gm, "REMOVECHAR", { "Alice" });
    EXPECT_EQ(take(gm), (Lines { "Alice;LEAVE;OOC", "*;REMOVECHAR;Alice" }));
}

TEST_F(RequestHandlerTest, RenamingASceneMovesItsOccupants)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    request(gm, "ADDNPC", { "Guard" });
    request(gm, "ADDSCENE", { "Tavern", "1" });
    request(gm, "SETSCENEGROUP", { "Tavern", "Town" });
    request(gm, "ENTER", { "Tavern", "Alice" });
    request(gm, "ENTER", { "Tavern", "Guard" });
    forget_all();

    request(gm, "RENAMESCENE", { "tavern", "Inn" });
    EXPECT_EQ(take(alice),
        (Lines { "*;ADDSCENE;Inn;1", "*;SCENEGROUP;Inn;Town", "Alice;LEAVE;Tavern", "Alice;ENTER;Inn",
            "Guard;LEAVE;Tavern", "Guard;ENTER;Inn" }));
    EXPECT_EQ(state.find_scene("Tavern"), nullptr);
    ASSERT_NE(state.find_scene("Inn"), nullptr);
    EXPECT_EQ(state.find_scene("Inn")->occupants, (std::vector<std::string> { "Alice", "Guard" }));
    forget_all();

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        { { "OOC", "Lobby" }, "The scene OOC cannot be renamed" },
        { { "Inn", "INN" }, "The scene INN already exists" },
        { { "Inn", "ooc" }, "The scene ooc already exists" },
        { { "Inn", "a;b" }, "Invalid scene name" },
        { { "Tavern", "Bar" }, "There is no scene named Tavern" },
    };
    for (const auto& r : refused)
    {
        SCOPED_TRACE(r.second);
        request(gm, "RENAMESCENE", r.first);
        EXPECT_EQ(take(gm), Lines { Packet("*", "ERROR", r.second).str() });
        EXPECT_TRUE(nobody_was_sent_anything());
    }
}

TEST_F(RequestHandlerTest, ScenesAreAddedGroupedAndRemoved)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    forget_all();
    request(gm, "ADDSCENE", { "Tavern", "0" });
    request(gm, "SETSCENEGROUP", { "Tavern", "Town" });
    request(gm, "SETSCENEGROUP", { "OOC", "Meta" });
    request(gm, "SETSCENEGROUP", { "Tavern", "" });
    request(gm, "ENTER", { "Tavern", "Alice" });
    request(gm, "REMOVESCENE", { "TAVERN" });
    EXPECT_EQ(take(alice),
        (Lines { "*;ADDSCENE;Tavern;0", "*;SCENEGROUP;Tavern;Town", "*;SCENEGROUP;OOC;Meta",
            "*;SCENEGROUP;Tavern;", "Alice;ENTER;Tavern", "Alice;LEAVE;Tavern" }));
    EXPECT_EQ(state.find_scene("Tavern"), nullptr);
    forget_all();

    const std::pair<std::vector<std::string>, std::string> refused[] = {
        { { "ADDSCENE", "ooc", "0" }, "The scene ooc already exists" },
        { { "ADDSCENE", "", "0" }, "Invalid scene name" },
        { { "ADDSCENE", "Cellar", "yes" }, "Invalid flag 'yes'" },
        { { "ADDSCENE", "Cellar", "" }, "Invalid flag ''" },
        { { "REMOVESCENE", "OOC" }, "The scene OOC cannot be removed" },
        { { "REMOVESCENE", "Tavern" }, "There is no scene named Tavern" },
        { { "SETSCENEGROUP", "OOC", "a|b" }, "Invalid group name" },
    };
    for (const auto& r : refused)
    {
        SCOPED_TRACE(r.second);
        request(gm, r.first[0], std::vector<std::string>(r.first.begin() + 1, r.first.end()));
        EXPECT_EQ(take(gm), Lines { Packet("*", "ERROR", r.second).str() });
        EXPECT_TRUE(nobody_was_sent_anything());
    }
}

TEST_F(RequestHandlerTest, SessionsAreAnnouncedToEveryone)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    forget_all();
    request(gm, "STARTSESSION", { "First; night" });
    request(gm, "ENDSESSION", {});
    EXPECT_EQ(take(alice), (Lines { "*;SESSION|First; night", "*;SESSION;" }));
    EXPECT_EQ(state.get_session(), "");
    forget_all();

    request(gm, "STARTSESSION", { "" });
    request(gm, "STARTSESSION", { "a\nb" });
    EXPECT_EQ(take(gm), (Lines { "*;ERROR;Invalid session name", "*;ERROR;Invalid session name" }));
}

TEST_F(RequestHandlerTest, BadRequestsEarnAnErrorAndChangeNothing)
{
    ClientId gm = login("GM");
    ClientId alice = login("Alice");
    forget_all();
    const unsigned long revision = state.get_revision();

    const std::pair<Packet, std::string> cases[] = {
        { Packet("GM", "DANCE"), "Unknown command 'DANCE'" },
        { Packet("GM", ""), "Unknown command ''" },
        { Packet("GM", "NAME", "Other"), "Already logged in" },
        { Packet("GM", "TEXT", "OOC"), "Missing parameter for TEXT" },
        { Packet("GM", "OOC"), "Missing parameter for OOC" },
        { Packet("GM", "WRITING"), "Missing parameter for WRITING" },
        { Packet("GM", "AFK"), "Missing parameter for AFK" },
        { Packet("GM", "QUERY"), "Missing parameter for QUERY" },
        { Packet("GM", "GETBIOGRAPHY"), "Missing parameter for GETBIOGRAPHY" },
        { Packet("GM", "SETBIOGRAPHY"), "Missing parameter for SETBIOGRAPHY" },
        { Packet("GM", "ADDSCENE", "Cellar"), "Missing parameter for ADDSCENE" },
        { Packet("GM", "ENTER", "OOC"), "Missing parameter for ENTER" },
        { Packet("GM", "ADDSCENE", "Cellar", "2"), "Invalid flag '2'" },
        { Packet("GM", "ADDNPC", "*"), "Invalid name" },
        { Packet("GM", "ADDNPC", "gm"), "Invalid name" },
        { Packet("GM", "ADDNPC", "Alice"), "The character Alice already exists" },
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first.str());
        handler.handle(gm, c.first);
        EXPECT_EQ(take(gm), Lines { Packet("*", "ERROR", c.second).str() });
        EXPECT_TRUE(take(alice).empty());
    }
    EXPECT_EQ(state.get_revision(), revision);
    EXPECT_TRUE(outbox.closed.empty());
    EXPECT_NE(log.str().find("Rejected DANCE from GM: Unknown command 'DANCE'\n"), std::string::npos);

    // Extra parameters are ignored.
    handler.handle(alice, Packet("Alice", "WRITING", std::vector<std::string> { "OOC", "extra" }));
    EXPECT_EQ(take(gm), Lines { "Alice;WRITING;OOC" });
}

TEST_F(RequestHandlerTest, UnreadableLinesEarnAnError)
{
    ClientId id = connect();
    handler.reject_line(id, "Malformed packet");
    EXPECT_EQ(take(id), Lines { "*;ERROR;Malformed packet" });
    EXPECT_NE(log.str().find("Rejected line from 10.0.0.1:5000: Malformed packet\n"), std::string::npos);
    EXPECT_TRUE(outbox.closed.empty());
}

TEST_F(RequestHandlerTest, PacketsFromUnknownClientsAreIgnored)
{
    handler.handle(99, Packet("", "NAME", "Alice"));
    handler.reject_line(99, "Malformed packet");
    EXPECT_TRUE(nobody_was_sent_anything());
    EXPECT_EQ(state.find_character("Alice"), nullptr);
}

} // namespace
