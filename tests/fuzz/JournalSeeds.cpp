// Writes the journal fuzz target's seed inputs into the folder given: journals as the
// run writes them (a header alone, records of every kind with checkpoints, a torn tail,
// a hole after the last checkpoint), so that the fuzzer starts from the real format and
// not from nothing.
#include "engine/JournalFormat.h"

#include <fstream>
#include <string>
#include <vector>

using namespace engine;

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    const std::string header = EncodeHeader("C:\\Program Files\\Q");
    const std::vector<JournalRecord> records = {
        {RecordKind::FolderMade, "C:\\Program Files", "", {1, 2}, false, {}},
        {RecordKind::FolderWrittenInto, "C:\\Program Files\\Q", "", {1, 3}, true, {}},
        {RecordKind::SettingAside,
         "C:\\Program Files\\Q\\data\\day",
         "C:\\Program Files\\Q\\data\\day.bak",
         {1, 4},
         false,
         {"000001.day", "000002.day"}},
        {RecordKind::FolderMaking, "C:\\Program Files\\Q\\data\\day", "", {}, false, {}},
        {RecordKind::Creating, "C:\\Program Files\\Q\\Q.exe", "", {}, false, {}},
        {RecordKind::Made, "C:\\Program Files\\Q\\Q.exe", "", {1, 5}, false, {}},
        {RecordKind::CreationFailed, "C:\\Program Files\\Q\\readme.txt", "", {}, false, {}},
        {RecordKind::Succeeded, "", "", {}, false, {}}};
    std::string all = header + EncodeCheckpoint(header.size()); // the flush after the header
    for (const JournalRecord& record : records) {
        all += EncodeRecord(record);
        if (record.kind == RecordKind::CreationFailed) // a flush
            all += EncodeCheckpoint(all.size());
    }
    std::string holed = all;
    holed.replace(all.size() - 40, 8,
                  std::string(8, '\0')); // the last record's head, after the last checkpoint
    const std::string seeds[] = {header, all, all.substr(0, all.size() - 7), holed};
    int number = 0;
    for (const std::string& seed : seeds)
        std::ofstream(std::string(argv[1]) + "/seed-" + std::to_string(++number), std::ios::binary) << seed;
    return 0;
}
