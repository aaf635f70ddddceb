#include "runtime/Text.h"
#include "runtime/Errors.h"

#include <gtest/gtest.h>

using namespace rt;

TEST(StripBlanks, RemovesControlBytesAndSpacesAtBothEndsOnly) {
    EXPECT_EQ(StripBlanks("\t C:\\X \r\n"), "C:\\X");
    EXPECT_EQ(StripBlanks(std::string("\0 a b \0", 7)), "a b");
    EXPECT_EQ(StripBlanks(" \t\r\n"), "");
    EXPECT_EQ(StripBlanks("\xA1\xA1x\xA1\xA1"), "\xA1\xA1x\xA1\xA1"); // full-width spaces stay
}

TEST(PathParts, SplitAtTheLastBackslashOrColon) {
    EXPECT_EQ(FolderPart("C:\\a\\b.txt"), "C:\\a\\");
    EXPECT_EQ(FileNamePart("C:\\a\\b.txt"), "b.txt");
    EXPECT_EQ(FolderPart("C:b"), "C:");
    EXPECT_EQ(FileNamePart("C:b"), "b");
    EXPECT_EQ(FolderPart("C:\\a\\"), "C:\\a\\");
    EXPECT_EQ(FileNamePart("C:\\a\\"), "");
    EXPECT_EQ(FolderPart("plain"), "");
    EXPECT_EQ(FileNamePart("plain"), "plain");
    EXPECT_EQ(FileNamePart("a/b"), "a/b"); // "/" is no separator
}

TEST(PathParts, TrailByte5CIsNoSeparator) {
    // "表" is B1 ED, "\x95\x5C" is a character whose trail byte is a backslash.
    const std::string folder = "C:\\\x95\x5C\xB1\xED";
    EXPECT_EQ(FolderPart(folder + "\\x.exe"), folder + "\\");
    EXPECT_EQ(FileNamePart(folder), "\x95\x5C\xB1\xED");
    EXPECT_EQ(FolderPart("\x95\x5C"), "");
    // A lone lead byte at the end has no trail byte to hide a separator.
    EXPECT_EQ(FolderPart("a\\\x95"), "a\\");
    EXPECT_FALSE(EndsWithSeparator(folder + "\\\x9C\x5C")); // "淺"
    EXPECT_TRUE(EndsWithSeparator(folder + "\\\x9C\x5C\\"));
    EXPECT_FALSE(EndsWithSeparator(""));
}

TEST(PathParts, OnlyADriveRootOrAUncNameIsRooted) {
    for (const char* rooted :
         {"C:\\", "c:\\Q", "C:/Q", "\\\\server\\share", "\\\\s\\\x9C\x5C\\x", "//s/share"})
        EXPECT_TRUE(IsRootedPath(rooted)) << rooted;
    for (const char* relative : {"", "Q", "..\\Q", ".\\Q", "C:Q", "C:", "\\Q", "\\\\server", "\\\\server\\",
                                 "\\\\\\share", "1:\\Q", " C:\\Q"})
        EXPECT_FALSE(IsRootedPath(relative)) << relative;
}

// The uninstaller's test of "the same path" and "inside the folder": ordinal, ASCII
// letters folded, a trail byte never folded nor taken for the end of a lead byte's pair.
TEST(SameNameBytes, FoldsAsciiLettersOnlyAndStopsAtEitherEnd) {
    const struct {
        const char* a;
        const char* b;
        std::size_t length;
        bool same;
    } cases[] = {
        {"C:\\Program Files\\Q", "c:\\PROGRAM FILES\\q", 64, true},
        {"C:\\Q\\x", "C:\\Q\\", 5, true}, // a prefix: the folder and its separator
        {"C:\\Q", "C:\\Q\\x", 64, false}, // one ends sooner
        {"C:\\Qa\\x", "C:\\Q\\", 5, false},
        {"\x95\x41", "\x95\x61", 64, false}, // trail bytes "A" and "a" are other characters
        {"\x95\x5C", "\x95\x5C", 64, true},
        {"\xC4\xE3", "\xC4\xC3", 64, false},
        {"\x95", "\x95", 64, true},         // a lone lead byte at the end
        {"\x95\x5C", "\x95\x5Cx", 1, true}, // the length cuts between lead and trail byte
        {"", "", 64, true},
        {"a", "", 64, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SameNameBytes(c.a, c.b, c.length), c.same) << c.a << " | " << c.b << " | " << c.length;
}

TEST(SplitLines, EndAtLfOrCrLfAndAtEndOfText) {
    EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\n\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\rb\x1A"
                         "c\nd"),
              (std::vector<std::string>{"ab"}));
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(IoErrors, MessagesFollowTheTable) {
    EXPECT_STREQ(IoError(2).what(), "File not found");
    EXPECT_STREQ(IoError(3).what(), "Invalid filename");
    EXPECT_STREQ(IoError(4).what(), "Too many open files");
    EXPECT_STREQ(IoError(5).what(), "File access denied");
    EXPECT_STREQ(IoError(100).what(), "Read beyond end of file");
    EXPECT_STREQ(IoError(101).what(), "Disk full");
    EXPECT_STREQ(IoError(106).what(), "Invalid numeric input");
    EXPECT_STREQ(IoError(183).what(), "I/O error 183");
    EXPECT_EQ(IoError(103).Code(), 103u);
}

TEST(IoErrors, SystemMessagesLoseTrailingBlanksAndFullStops) {
    EXPECT_EQ(TrimSystemMessage("Access is denied.\r\n"), "Access is denied");
    EXPECT_EQ(TrimSystemMessage("x. . \r\n"), "x");
    EXPECT_EQ(TrimSystemMessage("\xC3\xBB\xD3\xD0\xA1\xA3\r\n"), "\xC3\xBB\xD3\xD0\xA1\xA3"); // "。" stays
    EXPECT_EQ(TrimSystemMessage(""), "");
}

// The formats the program uses, through the system C library's formatter on Windows.
TEST(Format, WritesWhatPrintfWouldForTheFormatsInUse) {
    EXPECT_EQ(Format("需要 %.1f MB，只有 %.1f MB", 10.449, 0.05), "需要 10.4 MB，只有 0.1 MB");
    EXPECT_EQ(Format("%s|%u|%d|0x%X|%.8lx", "路径", 4294967295u, -7, 0xABu, 0x1FUL),
              "路径|4294967295|-7|0xAB|0000001f");
    EXPECT_EQ(Format("SetupFolder-%08lx%08lx", 0xCBF29CE4UL, 0x84222325UL), "SetupFolder-cbf29ce484222325");
    EXPECT_EQ(Format("%s", std::string(5000, 'x').c_str()).size(), 5000u); // beyond any fixed buffer
}
