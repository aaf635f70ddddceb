#include "engine/RunJournal.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

using engine::RunJournal;
using testing_support::ErrorMessageOf;
using testing_support::FileContent;
using testing_support::PutFile;
using testing_support::TakeSnapshot;
using testing_support::TempFolder;

namespace {

void Write(RunJournal& journal, const std::string& path, const std::string& bytes) {
    rt::NewFile file;
    journal.OpenNewFile(path, file);
    file.WriteAll(bytes.data(), bytes.size());
}

} // namespace

TEST(RunJournal, WhatIsNoLongerTheRunsIsLeftAlone) {
    TempFolder dir;
    RunJournal journal;
    ASSERT_TRUE(journal.CreateFolders(dir / "Q\\data"));
    Write(journal, dir / "Q\\a.txt", "run's");
    Write(journal, dir / "Q\\data\\b.txt", "run's");
    // Another program replaces a.txt and puts a file of its own into data.
    PutFile(dir / "other", "someone else's");
    rt::RemoveFile(dir / "Q\\a.txt");
    ASSERT_EQ(rt::MoveEntry(dir / "other", dir / "Q\\a.txt"), 0u);
    PutFile(dir / "Q\\data\\c.txt", "someone else's");
    // Nothing of the run's stays: a.txt and the folders that hold another's file are theirs.
    EXPECT_EQ(journal.RollBack().count, 0);
    EXPECT_EQ(FileContent(dir / "Q\\a.txt"), "someone else's");
    EXPECT_FALSE(rt::FileExists(dir / "Q\\data\\b.txt"));
    EXPECT_EQ(FileContent(dir / "Q\\data\\c.txt"), "someone else's");
}

TEST(RunJournal, AFileHeldOpenElsewhereIsNeitherReplacedNorSetAside) {
    TempFolder dir;
    const std::string held = dir / "held.txt";
    PutFile(held, "mine");
    os::FileHandle other;
    ASSERT_EQ(os::OpenForReading(held, other), 0u);
    RunJournal journal;
    EXPECT_EQ(ErrorMessageOf([&] { Write(journal, held, "new"); }),
              rt::CannotCreateFile(held, os::kErrorSharingViolation).Message());
    os::Close(other);
    EXPECT_EQ(FileContent(held), "mine");
    EXPECT_FALSE(rt::FileExists(held + ".bak"));
    EXPECT_EQ(journal.RollBack().count, 0);
    EXPECT_EQ(FileContent(held), "mine");
}

TEST(RunJournal, AFolderInTheWayIsRefusedAndAForeignWriterSkipsIt) {
    TempFolder dir;
    rt::CreateDir(dir / "in the way");
    RunJournal journal;
    EXPECT_EQ(ErrorMessageOf([&] { Write(journal, dir / "in the way", "x"); }),
              rt::CannotCreateFile(dir / "in the way", os::kErrorAccessDenied).Message());
    EXPECT_FALSE(journal.PrepareForeignFile(dir / "in the way"));
    EXPECT_EQ(journal.RollBack().count, 0);
    EXPECT_TRUE(rt::DirectoryExists(dir / "in the way"));
}

#ifndef _WIN32
// A folder the run wrote into that has become a link since is not entered: what lies
// behind the link is someone else's, even under the run's file names.
TEST(RunJournal, AFolderTurnedIntoALinkIsNotEntered) {
    TempFolder dir;
    RunJournal journal;
    ASSERT_TRUE(journal.CreateFolders(dir / "Q\\data"));
    Write(journal, dir / "Q\\data\\b.txt", "run's");
    rt::CreateDir(dir / "elsewhere");
    PutFile(dir / "elsewhere\\b.txt", "precious");
    rt::RemoveFile(dir / "Q\\data\\b.txt");
    rt::RemoveDir(dir / "Q\\data");
    const std::string unixDir = dir.Path().substr(2);
    std::string from = unixDir + "/elsewhere", to = unixDir + "/Q/data";
    for (std::string* path : {&from, &to})
        for (char& c : *path)
            c = c == '\\' ? '/' : c;
    ASSERT_EQ(symlink(from.c_str(), to.c_str()), 0);
    const auto before = TakeSnapshot(dir / "elsewhere");
    journal.RollBack();
    EXPECT_EQ(TakeSnapshot(dir / "elsewhere"), before);
}
#endif

// A folder planned to move aside whole that cannot move when the time comes (on Windows,
// a file in it is open) has its files set aside one by one instead.
TEST(RunJournal, AFolderThatCannotMoveWholeIsSetAsideFileByFile) {
    TempFolder dir;
    const std::string folder = dir / "day";
    rt::CreateDir(folder);
    PutFile(folder + "\\a.day", "a");
    PutFile(folder + "\\b.day", "b");
    const auto before = TakeSnapshot(dir.Path());
    const engine::SetAsidePlan plan =
        engine::PlanSetAsides({folder + "\\a.day", folder + "\\b.day"}, dir.Path());
    ASSERT_EQ(plan.moves.size(), 1u);
    PutFile(plan.moves[0].aside, "taken meanwhile");
    RunJournal journal;
    journal.ClearTheWay(plan);
    EXPECT_EQ(FileContent(folder + "\\a.day.bak"), "a");
    Write(journal, folder + "\\a.day", "new a");
    rt::RemoveFile(plan.moves[0].aside);
    EXPECT_TRUE(journal.RollBack().Nothing());
    EXPECT_EQ(TakeSnapshot(dir.Path()), before);
}
