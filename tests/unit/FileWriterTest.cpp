#include "runtime/FileWriter.h"
#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

#include "tests/support/Readers.h"
#include "tests/support/TempFolder.h"
#include <algorithm>

#include <gtest/gtest.h>

using namespace rt;
using testing_support::ErrorMessageOf;
using testing_support::FileContent;
using testing_support::PutFile;
using testing_support::TempFolder;

namespace {

std::string CreateMessage(const std::string& path, unsigned code) {
    return "Cannot create file \"" + path + "\". " + TrimSystemMessage(os::SystemMessage(code));
}

} // namespace

TEST(WriteBytesToFile, ReplacesTheWholeFile) {
    TempFolder dir;
    PutFile(dir / "f", std::string(5000, 'o'));
    WriteBytesToFile(dir / "f", "new", 3);
    EXPECT_EQ(FileContent(dir / "f"), "new");
    WriteBytesToFile(dir / "f", "", 0);
    EXPECT_EQ(FileContent(dir / "f"), "");
}

TEST(WriteTextsToFile, EveryTextEndsInCrLf) {
    TempFolder dir;
    WriteTextsToFile(dir / "l", {"text1", "\xD6\xD0\xCE\xC4"});
    EXPECT_EQ(FileContent(dir / "l"), "text1\r\n\xD6\xD0\xCE\xC4\r\n");
    WriteTextsToFile(dir / "l", {});
    EXPECT_EQ(FileContent(dir / "l"), "");
}

TEST(WriteBytesToFile, CreationFailuresNameThePathAndTheCause) {
    TempFolder dir;
    const std::string missing = dir / "nofolder\\f";
    EXPECT_EQ(ErrorMessageOf([&] { WriteBytesToFile(missing, "x", 1); }), CreateMessage(missing, 3));
    const std::string held = dir / "held";
    os::FileHandle other;
    ASSERT_EQ(os::CreateForWriting(held, other), 0u);
    EXPECT_EQ(ErrorMessageOf([&] { WriteBytesToFile(held, "x", 1); }), CreateMessage(held, 32));
    os::Close(other);
    const std::string tooLong = dir / std::string(280, 'n');
    EXPECT_EQ(ErrorMessageOf([&] { WriteBytesToFile(tooLong, "x", 1); }), CreateMessage(tooLong, 206));
}

TEST(WriteBytesToFile, TheSystemsReasonIsWordedAndTrimmed) {
    const std::string reason = TrimSystemMessage(os::SystemMessage(3));
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(reason.back()), 0x20);
}

TEST(WriteBytesToFile, ARelativePathIsReportedInFull) {
    const std::string message = ErrorMessageOf([] { WriteBytesToFile("nofolder-xyz\\f", "x", 1); });
    EXPECT_EQ(message.find("Cannot create file \""), 0u);
    EXPECT_NE(message.find(os::FullPathName("nofolder-xyz\\f")), std::string::npos);
    EXPECT_NE(os::FullPathName("nofolder-xyz\\f"), "nofolder-xyz\\f");
}

#ifndef _WIN32
TEST(WriteBytesToFile, AShortWriteIsAStreamWriteError) {
    EXPECT_EQ(ErrorMessageOf([] { WriteBytesToFile("C:\\dev\\full", "x", 1); }), "Stream write error");
}
#endif

#ifdef _WIN32
TEST(WriteBytesToFile, SystemMessagesComeInTheSystemsLanguage) {
    // Run under code page 936 the system words its messages in Chinese.
    const std::string reason = TrimSystemMessage(os::SystemMessage(3));
    EXPECT_TRUE(std::any_of(reason.begin(), reason.end(), [](char c) { return rt::IsLeadByte(c); }))
        << reason;
}
#endif
