// The journal reader against damage (cut short, a byte flipped, another version), and
// the next run's recovery from a killed run's journal so damaged on disk: whatever the
// damage, no file the user had is lost.
#include "engine/JournalFormat.h"
#include "engine/TargetPaths.h"
#include "runtime/Text.h"
#include "tests/support/SmallInstallation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#ifndef _WIN32
#include "runtime/SeamChanges.h"

#include <sys/stat.h>
#endif

using namespace engine;
using namespace testing_support;
using Status = ParsedJournal::Status;

namespace {

const std::vector<JournalRecord> kRecords = {
    {RecordKind::FolderWrittenInto, "C:\\Q", "", {7, 8}, true, {}},
    {RecordKind::SettingAside, "C:\\Q\\data", "C:\\Q\\data.bak", {7, 9}, false, {"a.d", "b.d"}},
    {RecordKind::Made, "C:\\Q\\a.exe", "", {7, 10}, false, {}}};

// The records (the first count of them) as the writer encodes them, to compare what was
// read back with what was written.
std::string Encoded(const std::vector<JournalRecord>& records, std::size_t count = SIZE_MAX) {
    std::string bytes;
    for (std::size_t i = 0; i < std::min(count, records.size()); ++i)
        bytes += EncodeRecord(records[i]);
    return bytes;
}

std::string Little32(std::uint32_t number) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>(number >> (8 * i));
    return bytes;
}

std::uint32_t Fnv1a(const std::string& bytes) {
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : bytes)
        hash = (hash ^ c) * 16777619u;
    return hash;
}

// Any payload framed as the writer frames it (marker, length, the length's and the
// payload's FNV-1a checksums).
constexpr std::size_t kHead = 14;
std::string Framed(const std::string& payload) {
    const std::string length = Little32(static_cast<std::uint32_t>(payload.size()));
    return "JR" + length + Little32(Fnv1a(length)) + Little32(Fnv1a(payload)) + payload;
}

// An earlier installation in target that its user added to, and a reinstall over it
// killed after two daily entries: every earlier file set aside (the daily folder whole),
// the new ones in their place, and the journal left on disk as a crash leaves it.
struct KilledReinstall {
    KilledReinstall(std::string payloadFolder, std::string folder)
        : payload(std::move(payloadFolder)), target(std::move(folder)) {
        Again();
    }
    void Again() {
        RemoveAll(target);
        rt::ForceDirectories(target + "\\data\\day");
        for (const char* file : {"Quenvale.exe", "UnInstall.exe", "update.exe", "readme.txt", "Unini.dat",
                                 "data\\sda.d", "data\\day\\000001.day", "data\\day\\000002.day"})
            PutFile(target + "\\" + file, std::string("earlier ") + file);
        PutFile(target + "\\Quenvale.exe.bak", "the user's, under a set-aside name");
        PutFile(target + "\\mine.txt", "the user's");
        PutFile(target + "\\data\\notes.txt", "the user's");
        rt::FileSetAttr(target + "\\readme.txt", os::kAttrHidden);
        rt::FileSetAttr(target + "\\mine.txt", os::kAttrReadOnly);
        SetLastWriteYear(target + "\\data\\sda.d", 2001);
        before = TakeSnapshot(target);
        {
            RunFixture dying(payload, target);
            dying.observer.killAtCheck = 3;
            EXPECT_EQ(dying.Install(), "killed");
        }
        journal = FileContent(JournalPath(target));
        left = TakeSnapshot(target);
        left.erase("Setup.journal");
    }
    std::string payload, target;
    Snapshot before, left; // the folder before the run, and what the run left besides its journal
    std::string journal;
};

// Whether a file so described is at relative under root, or under a set-aside name of
// itself or of a folder above it.
bool StillThere(const std::string& root, const std::string& relative, const std::string& description) {
    for (std::size_t end = 0; end != std::string::npos;) {
        end = relative.find('\\', end + 1);
        const std::string moved = relative.substr(0, end),
                          rest = end == std::string::npos ? "" : relative.substr(end);
        for (int attempt = 0; attempt <= 3; ++attempt)
            if (DescribeFile(root + "\\" + (attempt ? SetAsideName(moved, attempt) : moved) + rest) ==
                description)
                return true;
    }
    return false;
}

// Recovers from the journal at journalPath under root, where all else is as in untouched.
// A journal found Unreadable or OpenToOthers must be moved aside whole, nothing else
// touched; the moved copy is then removed.
Recovery Recover(const std::string& root, const std::string& journalPath, const Snapshot& untouched,
                 const std::vector<std::string>& linkPlaces = {}) {
    const std::string bytes = FileContent(journalPath);
    const Recovery recovery =
        RecoverInterruptedRun(journalPath, rt::ContainingFolder(journalPath), linkPlaces);
    if (recovery.outcome == Recovery::Outcome::Unreadable ||
        recovery.outcome == Recovery::Outcome::OpenToOthers) {
        EXPECT_EQ(FileContent(recovery.keptAs), bytes);
        rt::RemoveFile(recovery.keptAs);
        EXPECT_EQ(TakeSnapshot(root), untouched) << "touched though not trusted";
    }
    // A file the run made whose record was lost with the damage is moved aside, named:
    // no proof of the run's bytes is given here. It is removed as its user would.
    for (auto moved = recovery.left.movedAside.rbegin(); moved != recovery.left.movedAside.rend(); ++moved) {
        RemoveAll(moved->aside);
        rt::RemoveDir(moved->aside);
        rt::RemoveFile(moved->aside);
    }
    return recovery;
}

// A record of the object now at path, as the run writes it: its identity read with the
// final link followed or not.
JournalRecord Identified(RecordKind kind, const std::string& path, os::FinalLink link) {
    JournalRecord record{kind, path, "", {}, false, {}};
    rt::ReadIdentity(path, link, record.identity);
    return record;
}

// A journal of the run into target with those records, forged with valid frames as
// anyone who can write the folder could.
std::string JournalOf(const std::string& target, const std::vector<JournalRecord>& records) {
    return EncodeHeader(target) + Encoded(records);
}

} // namespace

// A journal as the run writes it, and where each of its frames starts: the header, the
// records, and, in this version, the checkpoint that the flush after them writes; in
// version 2 no checkpoint.
struct WrittenJournal {
    std::string bytes;
    std::vector<std::size_t> starts;
    std::size_t FrameOf(std::size_t at) const {
        return std::upper_bound(starts.begin(), starts.end(), at) - starts.begin() - 1;
    }
};
WrittenJournal Written(std::uint32_t version) {
    std::string header = EncodeHeader("C:\\Q");
    if (version != kJournalVersion) {
        std::string payload = header.substr(kHead);
        payload[8] = static_cast<char>(version); // the version follows the format's 8-byte name
        header = Framed(payload);
    }
    WrittenJournal journal{header, {0}};
    for (const JournalRecord& record : kRecords) {
        journal.starts.push_back(journal.bytes.size());
        journal.bytes += EncodeRecord(record);
    }
    if (version == kJournalVersion) {
        journal.starts.push_back(journal.bytes.size());
        journal.bytes += EncodeCheckpoint(journal.bytes.size());
    }
    return journal;
}

// Cut short anywhere (at 0: an empty file), a journal gives back the records before the
// cut, whole at a frame's end and torn elsewhere.
TEST(JournalReader, GivesBackTheRecordsBeforeACut) {
    const WrittenJournal journal = Written(kJournalVersion);
    for (std::size_t at = 0; at < journal.bytes.size(); ++at) {
        const ParsedJournal cut = ParseJournal(journal.bytes.substr(0, at));
        const std::size_t whole = journal.FrameOf(at); // frames that end at or before the cut
        EXPECT_EQ(cut.status, at > 0 && journal.starts[whole] == at ? Status::Whole : Status::TornTail) << at;
        EXPECT_EQ(cut.installDir, whole ? "C:\\Q" : "") << at;
        EXPECT_EQ(Encoded(cut.records), Encoded(kRecords, whole ? whole - 1 : 0)) << at;
    }
}

// A byte flipped, or eight bytes lost to zeros with what follows kept (a sector a power
// cut took while a later one reached the disk), at every place. Damage before the
// checkpoint, which says every byte before it was on the disk, is damage, the header's
// too: the journal gives nothing to act on, only the records before the damage to tell
// from. Damage in the checkpoint itself, unflushed, is a torn tail. A version-2 journal,
// with no checkpoint, is read by its own rule: only its last frame may be torn (past its length
// and the length's checksum, since a length that is not its own is never trusted).
TEST(JournalReader, DamageIsATornTailOnlyWhereTheDiskMayNotHaveHeldTheJournal) {
    for (const std::uint32_t version : {kJournalVersion, kUncheckpointedJournalVersion}) {
        const WrittenJournal journal = Written(version);
        const std::size_t last = journal.starts.back();
        for (std::size_t at = 0; at < journal.bytes.size(); ++at) {
            std::vector<std::string> damaged;
            for (unsigned mask : {0x01u, 0x80u, 0xFFu}) {
                damaged.push_back(journal.bytes);
                damaged.back()[at] = static_cast<char>(damaged.back()[at] ^ mask);
            }
            if (at + 8 < journal.bytes.size())
                damaged.push_back(journal.bytes.substr(0, at) + std::string(8, '\0') +
                                  journal.bytes.substr(at + 8));
            for (const std::string& bytes : damaged) {
                const std::size_t first =
                    std::mismatch(bytes.begin(), bytes.end(), journal.bytes.begin()).first -
                    bytes.begin(); // the first byte changed
                if (first == bytes.size())
                    continue; // zeros over zeros
                const std::size_t frame = journal.FrameOf(first);
                const bool torn = version == kJournalVersion ? frame + 1 == journal.starts.size()
                                                             : first >= last + kHead - 4;
                const ParsedJournal read = ParseJournal(bytes);
                EXPECT_EQ(read.status, torn ? Status::TornTail : Status::Damaged)
                    << version << " at " << first;
                EXPECT_EQ(Encoded(read.records), Encoded(kRecords, frame ? frame - 1 : 0))
                    << version << " at " << first;
            }
        }
    }
}

// After a power cut a file may keep its length and lose its last data, which then reads
// as zeros: however many of the last bytes are zeros, and however many zeros the file
// grew by, the journal gives back the records before the first frame the zeros reach.
TEST(JournalReader, ZerosAtTheEndAreATornTail) {
    std::string journal = EncodeHeader("C:\\Q");
    std::vector<std::size_t> ends = {journal.size()};
    for (const JournalRecord& record : kRecords)
        ends.push_back((journal += EncodeRecord(record)).size());
    for (std::size_t zeroed = 1; zeroed <= journal.size() - ends[0]; ++zeroed) {
        for (std::size_t grown : {0, 1, 4096}) {
            std::string lost = journal.substr(0, journal.size() - zeroed) + std::string(zeroed + grown, '\0');
            const ParsedJournal read = ParseJournal(lost);
            const std::size_t firstZero = journal.size() - zeroed;
            const std::size_t whole = std::upper_bound(ends.begin(), ends.end(), firstZero) - ends.begin();
            EXPECT_NE(read.status, Status::Damaged) << zeroed << " + " << grown;
            // A frame whose own last bytes were zeros already may still read whole.
            EXPECT_GE(read.records.size(), whole - 1) << zeroed << " + " << grown;
            EXPECT_EQ(Encoded(kRecords, read.records.size()), Encoded(read.records)) << zeroed;
        }
    }
}

// A journal an earlier Setup left holds its texts in the system's code page (936 on the
// host): they are read as UTF-8, and one that is not text of that code page is damage.
TEST(JournalReader, AVersion1JournalsTextsAreReadFromTheSystemsCodePage) {
    JournalRecord setAside;
    setAside.kind = RecordKind::SettingAside;
    setAside.path = "C:\\\xC8\xED\xBC\xFE\\data"; // 软件\data
    setAside.aside = "C:\\\xC8\xED\xBC\xFE\\data.bak";
    setAside.names = {"\xCB\xB5\xC3\xF7.txt"}; // 说明.txt
    std::string version1 = EncodeHeader("C:\\\xC8\xED\xBC\xFE").substr(kHead);
    version1[8] = 1;
    const ParsedJournal read = ParseJournal(Framed(version1) + EncodeRecord(setAside));
    ASSERT_EQ(read.status, Status::Whole);
    EXPECT_EQ(read.installDir, "C:\\软件");
    ASSERT_EQ(read.records.size(), 1u);
    EXPECT_EQ(read.records[0].path, "C:\\软件\\data");
    EXPECT_EQ(read.records[0].aside, "C:\\软件\\data.bak");
    EXPECT_EQ(read.records[0].names, std::vector<std::string>{"说明.txt"});
    setAside.names = {"\x81"}; // a lead byte alone
    EXPECT_EQ(ParseJournal(Framed(version1) + EncodeRecord(setAside)).status, Status::Damaged);
}

TEST(JournalReader, WholeFramesThisVersionDoesNotWriteAreNotActedOn) {
    const std::string header = EncodeHeader("C:\\Q"), made = EncodeRecord(kRecords[2]);
    ASSERT_EQ(Framed(header.substr(kHead)), header);
    std::string version4 = header.substr(kHead), unknownKind = made.substr(kHead);
    version4[8] = 4; // the version follows the format's 8-byte name
    unknownKind[0] = 9;
    const std::vector<std::pair<std::string, Status>> cases = {
        {Framed(version4), Status::OtherVersion},
        {Framed(version4) + made + made, Status::OtherVersion},
        {made + made, Status::Damaged},                                      // no header
        {header + Framed(unknownKind) + made, Status::Damaged},              // a kind it does not know
        {header + made + Framed(unknownKind), Status::Damaged},              // whole, so not a torn tail
        {header + Framed(made.substr(kHead) + "x") + made, Status::Damaged}, // bytes past the record
        {header + Framed(header.substr(kHead)) + made, Status::Damaged}};    // a second header
    for (const auto& [bytes, status] : cases) {
        const ParsedJournal read = ParseJournal(bytes);
        EXPECT_EQ(read.status, status) << ::testing::PrintToString(bytes);
        EXPECT_FALSE(read.Usable());
    }
}

// The set-aside names the records before offset at give.
std::vector<std::string> AsidesRecordedBefore(const std::string& journal, std::size_t at) {
    std::vector<std::string> asides;
    for (const JournalRecord& record : ParseJournal(journal.substr(0, at)).records)
        if (record.kind == RecordKind::SettingAside)
            asides.push_back(record.aside);
    return asides;
}

// The kill itself loses nothing: every file the user had is at its name or set aside.
// Then, whatever byte is damaged: before the journal's last checkpoint (on the disk
// whole, so real damage), the journal is not trusted and nothing is touched, and the
// recovery names what the records before the damage set aside; after it (what a power
// cut may tear) the run is undone by the records before the damage. Either way every
// one of those files stays.
TEST(InterruptedRunRecovery, NoFlippedByteOfAKilledRunsJournalLosesAFileTheUserHad) {
    TempFolder dir;
    KilledReinstall killed(MakePayload(dir, 4), dir / "Q");
    for (const auto& [name, description] : killed.before)
        EXPECT_TRUE(description == "folder" || StillThere(killed.target, name, description)) << name;
    ASSERT_EQ(ParseJournal(killed.journal).status, Status::Whole);
    const std::size_t lastCheckpoint = LastCheckpointAt(killed.journal);
    ASSERT_FALSE(AsidesRecordedBefore(killed.journal, lastCheckpoint).empty());
    const std::string journalPath = JournalPath(killed.target);
#ifdef _WIN32
    // A spread of positions (every field among them): file operations take far longer there.
    const std::size_t step = 7;
#else
    const std::size_t step = 1;
#endif
    for (std::size_t at = 0; at < killed.journal.size() && !HasFailure(); at += step) {
        std::string damaged = killed.journal;
        damaged[at] = static_cast<char>(damaged[at] ^ "\x01\x80\xFF"[at % 3]);
        PutFile(journalPath, damaged);
        const Recovery recovery = Recover(killed.target, journalPath, killed.left);
        if (at < lastCheckpoint) {
            EXPECT_EQ(recovery.outcome, Recovery::Outcome::Unreadable) << at;
            std::vector<std::string> named;
            for (const LeftBehind::Entry& entry : recovery.underOtherNames)
                named.push_back(entry.aside);
            EXPECT_EQ(named, AsidesRecordedBefore(killed.journal, at)) << at;
        } else {
            EXPECT_EQ(recovery.outcome, Recovery::Outcome::Undone) << at;
            EXPECT_EQ(TakeSnapshot(killed.target), killed.before) << at;
            killed.Again();
        }
    }
}

// Journals whose records, if acted on, would delete a file or folder the run never made:
// each is moved aside whole, with nothing touched. Forged with valid frames, as anyone
// who can write the folder could.
TEST(InterruptedRunRecovery, AForgedOrForeignJournalIsMovedAsideWithNothingTouched) {
    TempFolder dir;
    KilledReinstall killed(MakePayload(dir, 4), dir / "Q");
    rt::CreateDir(dir / "copy");
    rt::CreateDir(dir / "elsewhere");
    rt::CreateDir(dir / "elsewhere\\empty");
    PutFile(dir / "elsewhere\\precious.txt", "precious");
    ASSERT_TRUE(rt::DirectoryExists(killed.target + "\\data\\day.bak")); // set aside whole by the killed run
    const auto journal = [&](const std::vector<JournalRecord>& records) {
        return JournalOf(killed.target, records);
    };
    const auto namingOutside = [&](const std::string& folder) {
        return journal({Identified(RecordKind::FolderWrittenInto, folder, os::FinalLink::Followed),
                        Identified(RecordKind::Made, folder + "\\precious.txt", os::FinalLink::NotFollowed)});
    };
    JournalRecord setAsideWhole =
        Identified(RecordKind::SettingAside, killed.target + "\\data\\day.bak", os::FinalLink::NotFollowed);
    setAsideWhole.path = killed.target + "\\data\\day";
    setAsideWhole.aside = killed.target + "\\data\\day.bak";
    setAsideWhole.names = {"..\\..\\..\\elsewhere\\precious.txt"};
    const std::vector<std::pair<std::string, std::string>> journals = {
        {dir / "copy\\Setup.journal", killed.journal}, // the killed run's, copied from its folder
        {JournalPath(killed.target), namingOutside(dir / "elsewhere")},
        {JournalPath(killed.target), namingOutside(killed.target + "\\..\\elsewhere")},
        {JournalPath(killed.target), namingOutside(killed.target + "\\../elsewhere")}, // "/" resolves too
        {JournalPath(killed.target), journal({setAsideWhole, JournalRecord{}})},       // then succeeded
        {JournalPath(killed.target), journal({Identified(RecordKind::FolderMaking, dir / "elsewhere\\empty",
                                                         os::FinalLink::NotFollowed)})}};
    rt::RemoveFile(JournalPath(killed.target));
    for (const auto& [journalPath, bytes] : journals) {
        const Snapshot untouched = TakeSnapshot(dir.Path());
        PutFile(journalPath, bytes);
        EXPECT_EQ(Recover(dir.Path(), journalPath, untouched).outcome, Recovery::Outcome::Unreadable)
            << journalPath;
    }
    EXPECT_EQ(FileContent(dir / "elsewhere\\precious.txt"), "precious");
}

// A journal that passes the trust rule (its writer an account the rule trusts) and names
// only paths inside the target, some of them through a link below it that leads outside:
// acted on, its undo would delete or move what the link leads to. Each is moved aside
// whole with nothing touched, however deep the link lies. A link place that is itself a
// link (a desktop its user linked elsewhere) is acted in as it is.
TEST(InterruptedRunRecovery, ATrustedJournalIsActedOnOnlyThroughRealFolders) {
    TempFolder dir;
    const std::string target = dir / "Q", outside = dir / "elsewhere", desktop = dir / "desktop";
    for (const std::string& folder : {target, outside, outside + "\\sub", dir / "desktop itself"})
        rt::CreateDir(folder);
    PutFile(outside + "\\precious.txt", "precious");
    PutFile(outside + "\\sub\\precious.txt", "precious");
    PutFile(dir / "desktop itself\\Quenvale.lnk", "the killed run's link");
    ASSERT_TRUE(MakeFolderLink(outside, target + "\\lnk"));
    ASSERT_TRUE(MakeFolderLink(outside, target + "\\day.bak"));
    ASSERT_TRUE(MakeFolderLink(dir / "desktop itself", desktop));
    const auto writtenInto = [](const std::string& folder, bool link) {
        JournalRecord record = Identified(RecordKind::FolderWrittenInto, folder, os::FinalLink::Followed);
        record.link = link;
        return record;
    };
    JournalRecord dayWhole =
        Identified(RecordKind::SettingAside, target + "\\day.bak", os::FinalLink::Followed);
    dayWhole.path = target + "\\day";
    dayWhole.aside = target + "\\day.bak";
    dayWhole.names = {"precious.txt"};
    const struct {
        const char* what;
        std::vector<JournalRecord> records;
        Recovery::Outcome outcome;
    } cases[] = {
        {"a file in a link",
         {writtenInto(target + "\\lnk", true),
          Identified(RecordKind::Made, target + "\\lnk\\precious.txt", os::FinalLink::NotFollowed)},
         Recovery::Outcome::Unreadable},
        {"a file in a folder inside a link",
         {writtenInto(target + "\\lnk\\sub", false),
          Identified(RecordKind::Made, target + "\\lnk\\sub\\precious.txt", os::FinalLink::NotFollowed)},
         Recovery::Outcome::Unreadable},
        {"a folder set aside whole to a link, completed",
         {dayWhole, JournalRecord{}},
         Recovery::Outcome::Unreadable},
        {"a link file on a linked desktop",
         {writtenInto(desktop, true),
          Identified(RecordKind::Made, desktop + "\\Quenvale.lnk", os::FinalLink::NotFollowed)},
         Recovery::Outcome::Undone},
    };
    for (const auto& c : cases) {
        const Snapshot untouched = TakeSnapshot(dir.Path());
        PutFile(JournalPath(target), JournalOf(target, c.records));
        EXPECT_EQ(Recover(dir.Path(), JournalPath(target), untouched, {desktop}).outcome, c.outcome)
            << c.what;
    }
    EXPECT_EQ(FileContent(outside + "\\precious.txt"), "precious");
    EXPECT_EQ(FileContent(outside + "\\sub\\precious.txt"), "precious");
    EXPECT_EQ(FileContent(dir / "desktop itself\\Quenvale.lnk"), "<missing>"); // the run's, undone
}

#ifndef _WIN32
// The killed run's own journal, whole, is not acted on where another user could have
// written it: a folder or a journal file that others may change.
TEST(InterruptedRunRecovery, AJournalOthersCouldHaveWrittenIsMovedAsideWithNothingTouched) {
    TempFolder dir;
    KilledReinstall killed(MakePayload(dir, 4), dir / "Q");
    const std::string unixTarget = HostPath(killed.target);
    for (const std::string& unixPath : {unixTarget, unixTarget + "/Setup.journal"}) {
        const mode_t mode = unixPath == unixTarget ? 0777 : 0666;
        ASSERT_EQ(chmod(std::string(unixPath).c_str(), mode), 0);
        EXPECT_EQ(Recover(killed.target, JournalPath(killed.target), killed.left).outcome,
                  Recovery::Outcome::OpenToOthers);
        chmod(unixTarget.c_str(), 0755);
        PutFile(JournalPath(killed.target), killed.journal);
    }
}
#endif

#ifndef _WIN32
// A flush of the journal that fails stops the run with the system's I/O error, wherever
// it comes. Abandoning the stopped run then leaves the earlier installation as it was;
// but after the success record, which may be on the disk or not, neither undoing nor
// completing is safe: that run leaves everything, its journal included, to the next
// run, which settles it by what the disk holds (here, whole: completed) and installs.
TEST(InterruptedRunRecovery, AJournalFlushThatFailsStopsTheRunAndIsUndoneOrLeftToTheNextRun) {
    const auto journalFlushes = [](const os::Change& change) {
        return change.kind == os::Change::Kind::Flush &&
               change.path.find("Setup.journal") != std::string::npos;
    };
    int flushes = 0, afterTheSuccessRecord = 0;
    {
        TempFolder dir;
        Reinstall whole(dir);
        os::ListenToChanges([&](const os::Change& change) {
            flushes += journalFlushes(change);
            if (change.kind == os::Change::Kind::Write && change.bytes == EncodeRecord(JournalRecord{}))
                afterTheSuccessRecord = flushes + 1;
        });
        EXPECT_EQ(whole.r.Install(), "");
        os::ListenToChanges({});
    }
    ASSERT_GT(afterTheSuccessRecord, 3);
    for (int failing = 1; failing <= flushes; ++failing) {
        TempFolder dir;
        Reinstall second(dir);
        int flush = 0;
        os::ListenToChanges([](const os::Change&) {}); // the refusal is told which file is flushed
        os::RefuseFlushes([&](const os::Change& change) -> unsigned {
            return journalFlushes(change) && ++flush == failing ? 1117 : 0; // ERROR_IO_DEVICE
        });
        const std::string error = second.r.Install();
        os::RefuseFlushes({});
        os::ListenToChanges({});
        EXPECT_EQ(error, rt::IoErrorMessage(1117)) << failing;
        EXPECT_EQ(second.r.run.Abandon().count, 0) << failing;
        const bool leftToTheNextRun = failing == afterTheSuccessRecord;
        EXPECT_EQ(rt::FileExists(JournalPath(second.earlier.target)), leftToTheNextRun) << failing;
        if (!leftToTheNextRun) {
            EXPECT_EQ(second.earlier.Now(), second.before) << failing;
            continue;
        }
        RunFixture next(second.earlier.payload, second.earlier.target);
        next.shortcuts.linkFolder = second.earlier.links;
        EXPECT_EQ(next.Install(), "");
        ASSERT_EQ(next.observer.recoveries.size(), 1u);
        EXPECT_EQ(next.observer.recoveries[0].outcome, Recovery::Outcome::Completed);
        EXPECT_EQ(next.result.outcome, RunOutcome::Succeeded);
    }
}
#endif
