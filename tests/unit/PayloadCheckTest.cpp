#include "engine/PayloadCheck.h"
#include "runtime/Errors.h"
#include "tests/support/FolderStore.h"
#include "tests/support/SmallInstallation.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using engine::PayloadCheck;
using testing_support::FileContent;
using testing_support::FolderStore;
using testing_support::MakePayload;
using testing_support::PutFile;
using testing_support::TempFolder;

namespace {

// The folder store, telling each Open to a watcher first (which sees the check Running).
class WatchedStore : public engine::PayloadStore {
  public:
    explicit WatchedStore(const std::string& folder) : store_(folder) {}
    engine::Blob Open(const std::string& name, const std::string& type) const override {
        if (onOpen)
            onOpen();
        return store_.Open(name, type);
    }
    std::function<void()> onOpen;

  private:
    FolderStore store_;
};

} // namespace

TEST(PayloadCheck, StatesAndProgressOnAWholeADamagedAndAStoppedPayload) {
    // The blobs the check digests: the manifest, then each of its lines' (the first
    // names the manifest again), of a small payload with 3 daily entries.
    const std::vector<std::string> files = {"Count.dat",
                                            "Count.dat",
                                            "Quenvale.exe",
                                            "UnInstall.exe",
                                            "update.exe",
                                            "readme.txt",
                                            "data\\sda.d",
                                            "data\\day\\000001.day",
                                            "data\\day\\000002.day",
                                            "data\\day\\000003.day"};
    struct Case {
        const char* what;
        std::string file;    // changed after the store recorded its digests ("" for none)
        std::string content; // its new bytes, or "<missing>" for a blob never made
        bool stopAtFirstOpen;
        PayloadCheck::State ending;
        bool everyByteCounted; // Done is InAll and InAll the payload's bytes
    };
    const std::vector<Case> cases = {
        {"whole", "", "", false, PayloadCheck::State::Whole, true},
        {"a byte changed", "data\\day\\000002.day", "day 000003", false, PayloadCheck::State::Damaged, true},
        {"a blob cut short", "Quenvale.exe", "blob of", false, PayloadCheck::State::Damaged, false},
        {"the manifest changed", "Count.dat", "", false, PayloadCheck::State::Damaged, false},
        {"a blob missing", "data\\day\\000001.day", "<missing>", false, PayloadCheck::State::Damaged, false},
        {"stopped", "", "", true, PayloadCheck::State::NotStarted, false},
    };
    for (const Case& c : cases) {
        TempFolder dir;
        const std::string payload = MakePayload(dir, 3, c.content == "<missing>" ? "f000001" : "");
        std::size_t payloadBytes = 0;
        for (const std::string& file : files)
            payloadBytes += FileContent(payload + "\\" + file).size();
        WatchedStore store(payload);
        if (c.file == "Count.dat")
            PutFile(payload + "\\Count.dat", FileContent(payload + "\\Count.dat") + "\r\n");
        else if (!c.file.empty() && c.content != "<missing>")
            PutFile(payload + "\\" + c.file, c.content);

        PayloadCheck check(store);
        EXPECT_EQ(check.Now(), PayloadCheck::State::NotStarted) << c.what;
        std::vector<PayloadCheck::State> seenAtOpen;
        store.onOpen = [&] {
            seenAtOpen.push_back(check.Now());
            if (c.stopAtFirstOpen)
                check.RequestStop();
        };
        check.Run();
        EXPECT_EQ(check.Now(), c.ending) << c.what;
        ASSERT_FALSE(seenAtOpen.empty()) << c.what;
        EXPECT_EQ(seenAtOpen,
                  std::vector<PayloadCheck::State>(seenAtOpen.size(), PayloadCheck::State::Running))
            << c.what;
        if (c.everyByteCounted) {
            EXPECT_EQ(check.InAll(), payloadBytes) << c.what;
            EXPECT_EQ(check.Done(), check.InAll()) << c.what;
        }
        check.Run(); // answered once: a second run changes nothing
        EXPECT_EQ(check.Now(), c.ending) << c.what;
        if (c.ending == PayloadCheck::State::NotStarted)
            EXPECT_THROW(check.IsWhole(), rt::Error) << c.what; // a stopped check has no answer
        else
            EXPECT_EQ(check.IsWhole(), c.ending == PayloadCheck::State::Whole) << c.what;
    }
}
