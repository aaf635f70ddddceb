#include "runtime/TextFile.h"
#include "runtime/Errors.h"
#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

using namespace rt;
using testing_support::FileLines;
using testing_support::PutFile;
using testing_support::TempFolder;

namespace {

using Lines = std::vector<std::string>;

// The message of the I/O error the action raises, the table's text for its code; "" when
// it raises none.
std::string IoErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const IoError& e) {
        return e.what();
    }
    return "";
}

} // namespace

TEST(TextFile, LineEndsAndEndOfText) {
    TempFolder dir;
    const std::string path = dir / "t";
    PutFile(path, "a\r\nb\nc");
    EXPECT_EQ(FileLines(path), (Lines{"a", "b", "c"}));
    PutFile(path, "a\rb\r\n");
    EXPECT_EQ(FileLines(path), (Lines{"ab"}));
    PutFile(path, "x\r\n\r\n");
    EXPECT_EQ(FileLines(path), (Lines{"x", ""}));
    PutFile(path, "x\r\ny\x1Atail\r\n");
    EXPECT_EQ(FileLines(path), (Lines{"x", "y"}));
    PutFile(path, "");
    EXPECT_EQ(FileLines(path), Lines{});
}

TEST(TextFile, LinesLongerThanTheBufferAndManyLinesComeBackWhole) {
    TempFolder dir;
    const std::string longLine(1000, 'L');
    std::string content;
    Lines expected;
    for (int i = 0; i < 300; ++i) {
        expected.push_back(i % 50 == 0 ? longLine : "line " + std::to_string(i));
        content += expected.back() + "\r\n";
    }
    PutFile(dir / "t", content);
    EXPECT_EQ(FileLines(dir / "t"), expected);
}

TEST(TextFile, ReadingPastTheEndGivesEmptyLines) {
    TempFolder dir;
    PutFile(dir / "t", "only\r\n");
    TextFile file(dir / "t");
    file.Reset();
    EXPECT_EQ(file.ReadLn(), "only");
    EXPECT_TRUE(file.Eof());
    EXPECT_EQ(file.ReadLn(), "");
}

TEST(TextFile, ErrorsCarryTheirCodes) {
    TempFolder dir;
    EXPECT_EQ(IoErrorOf([&] { TextFile(dir / "missing").Reset(); }), IoErrorMessage(2));
    EXPECT_EQ(IoErrorOf([&] { TextFile(dir / "nofolder\\x").Reset(); }), IoErrorMessage(3));
    EXPECT_EQ(IoErrorOf([&] { TextFile().Reset(); }), IoErrorMessage(102));
    EXPECT_EQ(IoErrorOf([&] { TextFile(dir / "t").Close(); }), IoErrorMessage(103));
    EXPECT_EQ(IoErrorOf([&] { TextFile(dir / "t").ReadLn(); }), IoErrorMessage(103));
    EXPECT_STREQ(IoError(102).what(), "I/O error 102");
}

TEST(TextFile, ReopeningAndClosingLeaveNoFileOpen) {
    TempFolder dir;
    PutFile(dir / "t", "x\r\n");
    TextFile file(dir / "t");
    file.Reset();
    file.Reset(); // the first open is closed, not kept
    file.Close();
    os::FileHandle writer;
    ASSERT_EQ(testing_support::OpenToOverwrite(dir / "t", writer), 0u); // nothing keeps writers out
    os::Close(writer);
    EXPECT_EQ(IoErrorOf([&] { file.Close(); }), IoErrorMessage(103));
    EXPECT_EQ(IoErrorOf([&] { file.Eof(); }), IoErrorMessage(103));
}

TEST(TextFile, AFileOpenForWritingElsewhereCannotBeOpened) {
    TempFolder dir;
    PutFile(dir / "t", "x\r\n");
    os::FileHandle writer;
    ASSERT_EQ(testing_support::OpenToOverwrite(dir / "t", writer), 0u);
    EXPECT_EQ(IoErrorOf([&] { TextFile(dir / "t").Reset(); }), IoErrorMessage(32));
    os::Close(writer);
    EXPECT_EQ(FileLines(dir / "t"), Lines{});
}

TEST(TextFile, ReadersShareButKeepWritersOut) {
    TempFolder dir;
    PutFile(dir / "t", "x\r\n");
    TextFile first(dir / "t");
    first.Reset();
    EXPECT_EQ(FileLines(dir / "t"), Lines{"x"});
    os::FileHandle writer;
    EXPECT_EQ(testing_support::OpenToOverwrite(dir / "t", writer), 32u);
}
