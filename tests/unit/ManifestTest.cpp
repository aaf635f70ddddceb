#include "engine/Manifest.h"

#include <gtest/gtest.h>

using namespace engine;

TEST(SplitToken, CutsTheFirstField) {
    std::string line = "fsda dfile D:\\Quenvale\\data\\sda.d";
    std::string token;
    SplitToken(line, ' ', token);
    EXPECT_EQ(token, "fsda");
    SplitToken(line, ' ', token);
    EXPECT_EQ(token, "dfile");
    EXPECT_EQ(line, "D:\\Quenvale\\data\\sda.d");
}

TEST(SplitToken, EdgesOfTheSeparator) {
    std::string token = "old";
    std::string line = "noseparator";
    SplitToken(line, ' ', token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(line, "noseparator");
    line = " lead";
    SplitToken(line, ' ', token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(line, "lead");
    line = "a  b";
    SplitToken(line, ' ', token);
    EXPECT_EQ(token, "a");
    SplitToken(line, ' ', token);
    EXPECT_EQ(token, "");
    EXPECT_EQ(line, "b");
}

TEST(SplitManifestLine, GivesNameTypeAndFileName) {
    const ManifestEntry daily = SplitManifestLine("f000001 dayfile D:\\Quenvale\\data\\day\\000001.day");
    EXPECT_EQ(daily.name, "f000001");
    EXPECT_EQ(daily.type, "dayfile");
    EXPECT_EQ(daily.fileName, "000001.day");
    // Spaces in the source path's folder part do not disturb the file name.
    EXPECT_EQ(SplitManifestLine("freadme txtfile D:\\My Files\\a b\\readme.txt").fileName, "readme.txt");
    EXPECT_EQ(SplitManifestLine("x t C:name.txt").fileName, "name.txt");
}

TEST(SplitManifestLine, MissingSeparatorsLeaveNameOrTypeEmpty) {
    const ManifestEntry none = SplitManifestLine("garbage");
    EXPECT_EQ(none.name, "");
    EXPECT_EQ(none.type, "");
    EXPECT_EQ(none.fileName, "garbage");
    const ManifestEntry one = SplitManifestLine("name rest");
    EXPECT_EQ(one.name, "name");
    EXPECT_EQ(one.type, "");
}

TEST(ClassOfLine, PositionDecidesTheFolder) {
    EXPECT_EQ(ClassOfLine(1), LineClass::Manifest);
    EXPECT_EQ(ClassOfLine(2), LineClass::Root);
    EXPECT_EQ(ClassOfLine(5), LineClass::Root);
    EXPECT_EQ(ClassOfLine(6), LineClass::Data);
    EXPECT_EQ(ClassOfLine(7), LineClass::Daily);
    EXPECT_EQ(ClassOfLine(1755), LineClass::Daily);
}
