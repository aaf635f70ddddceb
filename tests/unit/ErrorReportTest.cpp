#include "framework/ErrorReport.h"

#include <gtest/gtest.h>

using framework::ErrorReportText;

TEST(ErrorReport, AFullStopFollowsLettersDigitsAndTwoByteCharacters) {
    EXPECT_EQ(ErrorReportText("I/O error 183"), "I/O error 183.");
    EXPECT_EQ(ErrorReportText("Resource f000001 not found"), "Resource f000001 not found.");
    EXPECT_EQ(ErrorReportText("Cannot open AVI"), "Cannot open AVI.");
    EXPECT_EQ(ErrorReportText("\xCF\xB5\xCD\xB3\xD5\xD2\xB2\xBB\xB5\xBD"),
              "\xCF\xB5\xCD\xB3\xD5\xD2\xB2\xBB\xB5\xBD.");
    EXPECT_EQ(ErrorReportText("x\xA1\xA3"), "x\xA1\xA3."); // a full-width stop is a two-byte character
}

TEST(ErrorReport, NothingFollowsAFullStopOrACharacterBelowIt) {
    EXPECT_EQ(ErrorReportText(""), "");
    EXPECT_EQ(ErrorReportText("Done."), "Done.");
    for (const char* text : {"a ", "a!", "a)", "a,", "a-", "(a)"})
        EXPECT_EQ(ErrorReportText(text), text);
    EXPECT_EQ(ErrorReportText("a/"), "a/."); // "/" sorts above "."
}
