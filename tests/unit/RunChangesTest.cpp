#include "engine/RunChanges.h"
#include "runtime/Errors.h"
#include "runtime/FileSystem.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

using testing_support::ErrorMessageOf;
using testing_support::FileContent;
using testing_support::HostPath;
using testing_support::PutFile;
using testing_support::TakeSnapshot;
using testing_support::TempFolder;

namespace {

class RunChanges : public testing::Test {
  protected:
    TempFolder dir;
    engine::RunJournal journal;
    engine::RunChanges changes{journal};
};

void Write(engine::RunChanges& changes, const std::string& path, const std::string& bytes) {
    rt::NewFile file;
    changes.OpenNewFile(path, file);
    file.WriteAll(bytes.data(), bytes.size());
}

} // namespace

TEST_F(RunChanges, WhatIsNoLongerTheRunsIsLeftAlone) {
    ASSERT_TRUE(changes.CreateFolders(dir / "Q\\data"));
    Write(changes, dir / "Q\\a.txt", "run's");
    Write(changes, dir / "Q\\data\\b.txt", "run's");
    // Another program replaces a.txt and puts a file of its own into data.
    PutFile(dir / "other", "someone else's");
    rt::RemoveFile(dir / "Q\\a.txt");
    ASSERT_EQ(rt::MoveEntry(dir / "other", dir / "Q\\a.txt"), 0u);
    PutFile(dir / "Q\\data\\c.txt", "someone else's");
    // Nothing of the run's stays: a.txt and the folders that hold another's file are theirs.
    EXPECT_EQ(changes.EndSettlingTheRecords().count, 0);
    EXPECT_EQ(FileContent(dir / "Q\\a.txt"), "someone else's");
    EXPECT_FALSE(rt::FileExists(dir / "Q\\data\\b.txt"));
    EXPECT_EQ(FileContent(dir / "Q\\data\\c.txt"), "someone else's");
}

TEST_F(RunChanges, AFileHeldOpenElsewhereIsNeitherReplacedNorSetAside) {
    const std::string held = dir / "held.txt";
    PutFile(held, "mine");
    os::FileHandle other;
    ASSERT_EQ(os::OpenForReading(held, other), 0u);
    EXPECT_EQ(ErrorMessageOf([&] { Write(changes, held, "new"); }),
              rt::CannotCreateFile(held, os::kErrorSharingViolation).what());
    os::Close(other);
    EXPECT_EQ(FileContent(held), "mine");
    EXPECT_FALSE(rt::FileExists(held + ".bak"));
    EXPECT_EQ(changes.EndSettlingTheRecords().count, 0);
    EXPECT_EQ(FileContent(held), "mine");
}

TEST_F(RunChanges, AFolderInTheWayIsRefusedAndAForeignWriterSkipsIt) {
    rt::CreateDir(dir / "in the way");
    EXPECT_EQ(ErrorMessageOf([&] { Write(changes, dir / "in the way", "x"); }),
              rt::CannotCreateFile(dir / "in the way", os::kErrorAccessDenied).what());
    EXPECT_FALSE(changes.PrepareForeignFile(dir / "in the way"));
    EXPECT_EQ(changes.EndSettlingTheRecords().count, 0);
    EXPECT_TRUE(rt::DirectoryExists(dir / "in the way"));
}

#ifndef _WIN32
// A folder the run wrote into that has become a link since is not entered: what lies
// behind the link is someone else's, even under the run's file names.
TEST_F(RunChanges, AFolderTurnedIntoALinkIsNotEntered) {
    ASSERT_TRUE(changes.CreateFolders(dir / "Q\\data"));
    Write(changes, dir / "Q\\data\\b.txt", "run's");
    rt::CreateDir(dir / "elsewhere");
    PutFile(dir / "elsewhere\\b.txt", "precious");
    rt::RemoveFile(dir / "Q\\data\\b.txt");
    rt::RemoveDir(dir / "Q\\data");
    ASSERT_EQ(symlink(HostPath(dir / "elsewhere").c_str(), HostPath(dir / "Q\\data").c_str()), 0);
    const auto before = TakeSnapshot(dir / "elsewhere");
    changes.EndSettlingTheRecords();
    EXPECT_EQ(TakeSnapshot(dir / "elsewhere"), before);
}
#endif

// A file that appears in a folder between the plan's listing and the folder's move aside
// is not the earlier installation's: after success it is back where it was put, beside
// the new files, and the set-aside folder is gone.
TEST_F(RunChanges, AFileThatAppearsDuringTheSetAsideStaysItsOwners) {
    const std::string folder = dir / "day";
    rt::CreateDir(folder);
    PutFile(folder + "\\a.day", "a");
    const engine::SetAsidePlan plan = engine::PlanSetAsides({folder + "\\a.day"}, dir.Path());
    ASSERT_EQ(plan.moves.size(), 1u);
    PutFile(folder + "\\mine.txt", "mine");
    changes.ClearTheWay(plan, {folder + "\\a.day"});
    Write(changes, folder + "\\a.day", "new a");
    journal.MarkSucceeded();
    EXPECT_TRUE(changes.EndSettlingTheRecords().Nothing());
    EXPECT_EQ(FileContent(folder + "\\mine.txt"), "mine");
    EXPECT_EQ(FileContent(folder + "\\a.day"), "new a");
    EXPECT_FALSE(rt::DirectoryExists(plan.moves[0].aside));
}

// A folder planned to move aside whole that cannot move when the time comes (on Windows,
// a file in it is open) has its files set aside one by one instead.
TEST_F(RunChanges, AFolderThatCannotMoveWholeIsSetAsideFileByFile) {
    const std::string folder = dir / "day";
    rt::CreateDir(folder);
    PutFile(folder + "\\a.day", "a");
    PutFile(folder + "\\b.day", "b");
    const auto before = TakeSnapshot(dir.Path());
    const engine::SetAsidePlan plan =
        engine::PlanSetAsides({folder + "\\a.day", folder + "\\b.day"}, dir.Path());
    ASSERT_EQ(plan.moves.size(), 1u);
    PutFile(plan.moves[0].aside, "taken meanwhile");
    changes.ClearTheWay(plan, {});
    EXPECT_EQ(FileContent(folder + "\\a.day.bak"), "a");
    Write(changes, folder + "\\a.day", "new a");
    rt::RemoveFile(plan.moves[0].aside);
    EXPECT_TRUE(changes.EndSettlingTheRecords().Nothing());
    EXPECT_EQ(TakeSnapshot(dir.Path()), before);
}
