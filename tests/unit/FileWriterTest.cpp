#include "runtime/FileWriter.h"
#include "runtime/Errors.h"
#include "runtime/OsSeam.h"
#include "runtime/Text.h"

#include "tests/support/TempFolder.h"
#include <algorithm>

#include <gtest/gtest.h>

using namespace rt;
using testing_support::FileContent;
using testing_support::PutFile;
using testing_support::TempFolder;

TEST(NewFile, CreatesOnlyWhereNothingStandsAndHoldsOneFileAtATime) {
    TempFolder dir;
    NewFile file;
    os::Identity identity;
    EXPECT_FALSE(file.ReadIdentity(identity)); // nothing created yet
    ASSERT_EQ(file.CreateOnly(dir / "first"), 0u);
    file.WriteAll("new", 3);
    file.WriteAll("", 0);
    EXPECT_TRUE(file.ReadIdentity(identity));

    PutFile(dir / "earlier", "kept");
    const unsigned code = file.CreateOnly(dir / "earlier");
    EXPECT_TRUE(code == os::kErrorFileExists || code == os::kErrorAlreadyExists) << code;
    EXPECT_EQ(FileContent(dir / "earlier"), "kept");
    EXPECT_FALSE(file.ReadIdentity(identity)); // the first file was closed, nothing is held
    EXPECT_EQ(FileContent(dir / "first"), "new");

    EXPECT_EQ(file.CreateOnly(dir / "nofolder\\f"), os::kErrorPathNotFound);
    EXPECT_EQ(file.CreateOnly(dir / std::string(280, 'n')), os::kErrorFilenameTooLong);
}

// A large file is written in parts with the caller's work between them, and holds the
// same bytes as one write would have left.
TEST(NewFile, WritesLargeFilesInPartsWithTheCallersWorkBetween) {
    const std::size_t part = NewFile::kWritePart;
    const struct {
        std::size_t size;
        int between;
    } cases[] = {{0, 0}, {1, 0}, {part, 0}, {part + 1, 1}, {2 * part + 5, 2}};
    TempFolder dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        std::string bytes(c.size, '\0');
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 131 / 7);
        const std::string path = dir / ("f" + std::to_string(c.size));
        int between = 0;
        {
            NewFile file;
            ASSERT_EQ(file.CreateOnly(path), 0u);
            file.WriteAll(bytes.data(), bytes.size(), [&] { ++between; });
        }
        EXPECT_EQ(between, c.between);
        EXPECT_TRUE(FileContent(path) == bytes);
    }
}

TEST(CannotCreateFile, NamesTheFullPathAndTheSystemsTrimmedReason) {
    const std::string reason = TrimSystemMessage(os::SystemMessage(3));
    ASSERT_FALSE(reason.empty());
    EXPECT_NE(reason.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(reason.back()), 0x20);
    TempFolder dir;
    const std::string missing = dir / "nofolder\\f";
    EXPECT_EQ(std::string(CannotCreateFile(missing, 3).what()),
              "Cannot create file \"" + missing + "\". " + reason);
    // A relative path is reported as the system expands it.
    const std::string full = os::FullPathName("nofolder-xyz\\f");
    EXPECT_NE(full, "nofolder-xyz\\f");
    EXPECT_EQ(std::string(CannotCreateFile("nofolder-xyz\\f", 3).what()),
              "Cannot create file \"" + full + "\". " + reason);
}

#ifdef _WIN32
TEST(CannotCreateFile, SystemMessagesComeInTheSystemsLanguage) {
    // Run in a Chinese locale the system words its messages in Chinese, read as UTF-8.
    const std::string reason = TrimSystemMessage(os::SystemMessage(3));
    EXPECT_TRUE(std::any_of(reason.begin(), reason.end(), [](char c) { return c & 0x80; })) << reason;
    EXPECT_TRUE(os::Widened(reason).valid) << reason;
}
#endif

TEST(JoinLines, EveryTextEndsInCrLf) {
    EXPECT_EQ(JoinLines({"text1", "中文"}), "text1\r\n中文\r\n");
    EXPECT_EQ(JoinLines({}), "");
}
