#include "runtime/Text.h"
#include "runtime/Errors.h"
#include "runtime/OsSeam.h"

#include <gtest/gtest.h>

using namespace rt;

TEST(StripBlanks, RemovesControlBytesAndSpacesAtBothEndsOnly) {
    EXPECT_EQ(StripBlanks("\t C:\\X \r\n"), "C:\\X");
    EXPECT_EQ(StripBlanks(std::string("\0 a b \0", 7)), "a b");
    EXPECT_EQ(StripBlanks(" \t\r\n"), "");
    EXPECT_EQ(StripBlanks("　x　"), "　x　"); // full-width spaces stay
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

TEST(PathParts, CharactersBeyondAsciiAreNamesNotSeparators) {
    const std::string folder = "C:\\软件\\淺表"; // UTF-8: every byte of these is 0x80 or above
    EXPECT_EQ(FolderPart(folder + "\\x.exe"), folder + "\\");
    EXPECT_EQ(FileNamePart(folder), "淺表");
    EXPECT_EQ(ContainingFolder(folder + "\\说明.txt"), folder);
    EXPECT_FALSE(EndsWithSeparator(folder));
    EXPECT_TRUE(EndsWithSeparator(folder + "\\"));
    EXPECT_EQ(FoldCase("C:\\Ä软件Q"), "c:\\Ä软件q"); // only ASCII letters fold
}

TEST(PathParts, OnlyADriveRootOrAUncNameIsRooted) {
    for (const char* rooted :
         {"C:\\", "c:\\Q", "C:/Q", "\\\\server\\share", "\\\\s\\\x9C\x5C\\x", "//s/share"})
        EXPECT_TRUE(IsRootedPath(rooted)) << rooted;
    for (const char* relative : {"", "Q", "..\\Q", ".\\Q", "C:Q", "C:", "\\Q", "\\\\server", "\\\\server\\",
                                 "\\\\\\share", "1:\\Q", " C:\\Q"})
        EXPECT_FALSE(IsRootedPath(relative)) << relative;
}

// What the Win32 seam hands the wide calls and what the uninstall list stores: the host
// stands in for a system of code page 936.
TEST(CodePages, ConvertExactlyOrNotAtAll) {
    std::string bytes;
    EXPECT_TRUE(os::InSystemCodePage("C:\\软件 A", bytes));
    EXPECT_EQ(bytes, "C:\\\xC8\xED\xBC\xFE A");
    std::string text;
    EXPECT_TRUE(os::FromCodePage936(bytes, text));
    EXPECT_EQ(text, "C:\\软件 A");
    for (const char* foreign : {"C:\\😀", "C:\\한글", "\xFF\xFE"}) // not in the code page, not UTF-8
        EXPECT_FALSE(os::InSystemCodePage(foreign, bytes)) << foreign;
    EXPECT_FALSE(os::FromCodePage936("\x81", text)); // a lead byte without its trail byte
    EXPECT_FALSE(os::Widened("a\xE8\xBD").valid);    // a character cut short
    EXPECT_EQ(os::Narrowed(os::Widened("安装😀").c_str()), "安装😀");
}

TEST(CodePages, PathsAreMeasuredInWideCharacters) {
    EXPECT_EQ(os::WideLength("C:\\软件😀"), 7u); // the face beyond the basic plane takes two
    std::string chinese = "C:\\";
    for (int i = 0; i < 256; ++i)
        chinese += "安"; // three bytes, one character
    EXPECT_TRUE(os::FitsMaxPath(chinese)) << chinese.size() << " bytes";
    EXPECT_FALSE(os::FitsMaxPath(chinese + "x"));
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
    EXPECT_STREQ(IoError(103).what(), "I/O error 103");
}

TEST(IoErrors, SystemMessagesLoseTrailingBlanksAndFullStops) {
    EXPECT_EQ(TrimSystemMessage("Access is denied.\r\n"), "Access is denied");
    EXPECT_EQ(TrimSystemMessage("x. . \r\n"), "x");
    EXPECT_EQ(TrimSystemMessage("没有。\r\n"), "没有。"); // "。" stays
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
