#include "runtime/OwnedFile.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <utility>

using rt::OwnedFile;
using testing_support::FileContent;
using testing_support::TempFolder;

// A file created for writing is shared with no one: FileContent can read it only once
// nothing holds it any more.
TEST(OwnedFile, AFileMovedOnIsClosedOnceByItsLastOwner) {
    TempFolder dir;
    OwnedFile kept;
    {
        OwnedFile first;
        ASSERT_EQ(first.CreateNewForWriting(dir / "a"), 0u);
        kept = std::move(first);
        EXPECT_FALSE(first.IsOpen());
    } // the owner moved from goes without closing anything
    std::size_t written = 0;
    EXPECT_EQ(os::Write(kept.Handle(), "a", 1, written), 0u);
    EXPECT_EQ(FileContent(dir / "a"), "<missing>");

    OwnedFile other(std::move(kept));
    ASSERT_EQ(kept.CreateNewForWriting(dir / "b"), 0u);
    other = std::move(kept); // closes a, takes b
    EXPECT_EQ(FileContent(dir / "a"), "a");
    EXPECT_EQ(FileContent(dir / "b"), "<missing>");

    EXPECT_NE(other.OpenForReading(dir / "missing"), 0u); // closes b first
    EXPECT_FALSE(other.IsOpen());
    EXPECT_EQ(FileContent(dir / "b"), "");
}
