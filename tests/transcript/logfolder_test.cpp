#include "client/transcript/logfolder.h"

#include "tests/client/tempdir.h"

#include <gtest/gtest.h>

namespace
{

std::string names(const Transcript::SceneLog& log)
{
    return log.game + " | " + log.session + " | " + log.scene;
}

TEST(LogFolder, SplitsFileNamesIntoSessionAndScene)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "Saga");
    std::filesystem::create_directories(dir.path / "Other");
    for (const char* file : { "Saga/Night 3-Tavern.log", "Saga/Night 3-OOC.log", "Saga/Night 3-Blue-Lantern.log",
             "Saga/2031-05-04-Tavern.log", "Saga/2031-05-04-OOC.log", "Saga/2031-05-11-OOC.log",
             "Other/A-B-C.log", "Other/Camp-Day-1-Fire.log", "Other/Camp-Day-1-Tent.log", "Other/nodash.log", "Other/notes.txt", "stray-file.log" })
        write_file(dir.path / file, "");
    std::vector<std::string> found;
    Transcript::LogFolder folder(dir.path.string());
    for (const Transcript::SceneLog& log : folder.get_scenes())
        found.push_back(names(log));
    EXPECT_EQ((std::vector<std::string> {
                  "Other | A-B | C", // shares nothing: split at the last dash
                  "Other | Camp-Day-1 | Fire", "Other | Camp-Day-1 | Tent", // no OOC: the longest shared
                  "Saga | 2031-05-04 | OOC", "Saga | 2031-05-04 | Tavern",
                  "Saga | 2031-05-11 | OOC", // "2031-05" is shared too, but shorter
                  "Saga | Night 3 | Blue-Lantern", "Saga | Night 3 | OOC", "Saga | Night 3 | Tavern" }),
        found);
}

TEST(LogFolder, CountsLinesAndKeepsFirstAndLastStamp)
{
    TempDir dir;
    std::filesystem::create_directories(dir.path / "G");
    write_file(dir.path / "G/S-A.log",
        "garbage first\n[2031-05-04 20:15:09] one\n[2031-05-04 21:00:00] two\nno stamp\n[2031-05-05 01:02:03] three");
    write_file(dir.path / "G/S-B.log", "");
    Transcript::LogFolder folder(dir.path.string());
    std::vector<std::string> found;
    for (const Transcript::SceneLog* log : folder.find("G", "S"))
        found.push_back(log->scene + " " + std::to_string(log->lines) + " " + log->first + " " + log->last);
    ASSERT_EQ((std::vector<std::string> { "A 5 2031-05-04 20:15:09 2031-05-05 01:02:03", "B 0  " }), found);
    EXPECT_EQ(folder.find("G", "S").front(), folder.find("G", "S", "A"));
    EXPECT_EQ(nullptr, folder.find("G", "S", "C"));
    EXPECT_TRUE(Transcript::LogFolder((dir.path / "missing").string()).get_scenes().empty());
}

} // namespace
