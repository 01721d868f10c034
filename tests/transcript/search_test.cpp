#include "client/transcript/search.h"

#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

namespace
{

typedef std::vector<std::pair<std::string, std::string>> Files;

struct Logs
{
    explicit Logs(const Files& files)
    {
        std::filesystem::create_directories(dir.path / "G");
        for (const auto& file : files)
            write_file(dir.path / "G" / file.first, file.second);
        folder.reset(new Transcript::LogFolder(dir.path.string()));
        for (const Transcript::SceneLog& log : folder->get_scenes())
            scenes.push_back(&log);
    }

    // "scene:line:text with [match]" for each hit.
    std::vector<std::string> find(const std::string& query, std::size_t block = Transcript::Search::BLOCK_SIZE)
    {
        Transcript::Search search(scenes, query, block);
        search.run();
        std::vector<std::string> found;
        for (const Transcript::Hit& hit : search.take_hits())
        {
            std::string text = hit.text;
            text.insert(hit.match_end, "]");
            text.insert(hit.match_begin, "[");
            found.push_back(hit.scene->scene + ":" + std::to_string(hit.number) + ":" + text);
        }
        return found;
    }

    TempDir dir;
    std::unique_ptr<Transcript::LogFolder> folder;
    std::vector<const Transcript::SceneLog*> scenes;
};

typedef std::vector<std::string> Strings;

TEST(Search, FindsEveryMatchingLineInEveryFileOnce)
{
    Logs logs(Files { { "S-A.log", "[2031-05-04 20:15:09] the Dragon wakes\nnothing\n[2031-05-04 20:15:10] dragon, dragon!\n" },
        { "S-B.log", "no line feed at the end: DRAGON" }, { "S-C.log", "" } });
    EXPECT_EQ((Strings { "A:0:the [Dragon] wakes", "A:2:[dragon], dragon!", "B:0:no line feed at the end: [DRAGON]" }),
        logs.find("dragon"));
    // A match in the stamp shows the line from its start.
    EXPECT_EQ((Strings { "A:0:[2031-05-04 [20:15:09]] the Dragon wakes" }), logs.find("20:15:09"));
    EXPECT_TRUE(logs.find("").empty());
    EXPECT_TRUE(logs.find("wyvern").empty());
}

TEST(Search, FoldsCaseBeyondAscii)
{
    Logs logs(Files { { "S-A.log",
        "\xC3\x84rger im \xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3\n"                    // Ärger im ΣΟΦΟΣ
        "a 5\xE2\x84\xAA run, KELVIN\n"                                                 // 5K with the Kelvin sign
        "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 caf\xE9 broken\n" } });         // Привет, invalid byte
    const std::pair<std::string, Strings> cases[] = {
        // Final sigma and capital sigma fold alike.
        { "\xCF\x83\xCE\xBF\xCF\x86\xCE\xBF\xCF\x82", { "A:0:\xC3\x84rger im [\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x9F\xCE\xA3]" } },
        // The Kelvin sign is three bytes and folds to one: the match after it is still placed right.
        { "5k run", { "A:1:a [5\xE2\x84\xAA run], KELVIN" } },
        { "kelvin", { "A:1:a 5\xE2\x84\xAA run, [KELVIN]" } },
        { "\xD0\xBF\xD1\x80\xD0\xB8\xD0\x92\xD0\x95\xD0\xA2", { "A:2:[\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82] caf\xEF\xBF\xBD broken" } },
        { "broken", { "A:2:\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 caf\xEF\xBF\xBD [broken]" } },
    };
    for (const auto& [query, found] : cases)
    {
        SCOPED_TRACE(query);
        EXPECT_EQ(found, logs.find(query));
    }
}

TEST(Search, FindsAMatchThatStraddlesAReadBlock)
{
    // With blocks of 7 bytes every line is cut, and so is each match.
    Logs logs(Files { { "S-A.log", "one two\nthree needle four\nneedle\nxneedlex" }, { "S-B.log", "needle" } });
    Strings expected { "A:1:three [needle] four", "A:2:[needle]", "A:3:x[needle]x", "B:0:[needle]" };
    for (std::size_t block : { std::size_t(1), std::size_t(3), std::size_t(7), std::size_t(1) << 20 })
    {
        SCOPED_TRACE(block);
        EXPECT_EQ(expected, logs.find("NEEDLE", block));
    }
}

TEST(Search, StopsWhenCancelledOrAtTheHitLimit)
{
    std::string many;
    for (std::size_t i = 0; i < Transcript::Search::MAX_HITS + 5; ++i)
        many += "x\n";
    Logs logs(Files { { "S-A.log", "hit\nhit\nhit\n" }, { "S-B.log", "hit\n" }, { "S-C.log", many } });
    Transcript::Search search(logs.scenes, "hit", 4);
    std::size_t hits = 0;
    for (int steps = 0; steps < 100 && search.step(); ++steps)
    {
        hits += search.take_hits().size();
        if (hits == 2)
            search.cancel();
    }
    EXPECT_TRUE(search.is_done());
    EXPECT_EQ(2u, hits);
    EXPECT_FALSE(search.step());

    Transcript::Search all(logs.scenes, "x");
    all.run();
    EXPECT_TRUE(all.is_truncated());
    EXPECT_EQ(Transcript::Search::MAX_HITS, all.take_hits().size());
}

} // namespace
