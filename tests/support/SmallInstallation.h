// A small installation on the host for tests of the run: a payload of the shipped shape,
// a run over it with a recording observer and fake shortcuts, and an earlier complete
// installation that its user has touched since.
#pragma once

#include "engine/InstallationRun.h"
#include "runtime/FileSystem.h"
#include "tests/support/FolderSnapshot.h"
#include "tests/support/FolderStore.h"
#include "tests/support/Readers.h"
#include "tests/support/RecordingObserver.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace testing_support {

// A small payload folder of the shipped shape with the given number of daily entries.
// A daily entry listed in missing gets a manifest line but no blob.
inline std::string MakePayload(const TempFolder& dir, int dailyCount, const std::string& missing = "") {
    const std::string payload = dir / "payload";
    rt::ForceDirectories(payload + "\\data\\day");
    std::string manifest = "fCount datfile D:\\Quenvale\\Count.dat\r\n"
                           "fQuenvale exefile D:\\Quenvale\\Quenvale.exe\r\n"
                           "fUnInstall exefile D:\\Quenvale\\UnInstall.exe\r\n"
                           "fupdate exefile D:\\Quenvale\\update.exe\r\n"
                           "freadme txtfile D:\\Quenvale\\readme.txt\r\n"
                           "fsda dfile D:\\Quenvale\\data\\sda.d\r\n";
    for (const char* root : {"Quenvale.exe", "UnInstall.exe", "update.exe", "readme.txt"})
        PutFile(payload + "\\" + root, std::string("blob of ") + root);
    PutFile(payload + "\\data\\sda.d", "sda");
    for (int i = 1; i <= dailyCount; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%06d", i);
        manifest += std::string("f") + code + " dayfile D:\\Quenvale\\data\\day\\" + code + ".day\r\n";
        if (missing != std::string("f") + code)
            PutFile(payload + "\\data\\day\\" + code + ".day", std::string("day ") + code);
    }
    PutFile(payload + "\\Count.dat", manifest);
    return payload;
}

struct RunFixture {
    explicit RunFixture(const std::string& payload, std::string target)
        : store(payload), installDir(std::move(target)), run(shortcuts, store) {}

    // The run's error message, or "" when it returned (how it ended is then in result).
    std::string Install() {
        try {
            result = run.Install(installDir, observer);
        } catch (const rt::Error& e) {
            return e.what();
        } catch (const RecordingObserver::Killed&) {
            return "killed";
        }
        return "";
    }

    FolderStore store;
    std::string installDir;
    RecordingObserver observer;
    FakeShortcuts shortcuts;
    engine::InstallationRun run;
    engine::RunResult result;
};

// A complete earlier installation of a small payload in dir\Q, its links in dir\links,
// touched by its user since: a readme of their own (hidden), an older daily file, and a
// file of their own under the name a set-aside readme would take.
struct EarlierInstallation {
    explicit EarlierInstallation(const TempFolder& dir)
        : payload(MakePayload(dir, 6)), target(dir / "Q"), links(dir / "links") {
        rt::CreateDir(links);
        RunFixture first(payload, target);
        first.shortcuts.linkFolder = links;
        EXPECT_EQ(first.Install(), "");
        PutFile(target + "\\readme.txt", "my own notes");
        rt::FileSetAttr(target + "\\readme.txt", os::kAttrHidden);
        SetLastWriteYear(target + "\\data\\day\\000001.day", 2001);
        PutFile(target + "\\readme.txt.bak", "kept by hand");
    }
    Snapshot Now() const {
        Snapshot both = TakeSnapshot(target);
        for (const auto& link : TakeSnapshot(links))
            both["links\\" + link.first] = link.second;
        return both;
    }
    std::string payload, target, links;
};

// A second run over an earlier installation, with the state before it.
struct Reinstall {
    explicit Reinstall(const TempFolder& dir)
        : earlier(dir), before(earlier.Now()), r(earlier.payload, earlier.target) {
        r.shortcuts.linkFolder = earlier.links;
    }
    EarlierInstallation earlier;
    Snapshot before;
    RunFixture r;
};

} // namespace testing_support
