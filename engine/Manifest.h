// The manifest: one line per payload entry, "name type source-path". The position of
// a line alone decides where its file goes.
#pragma once

#include <string>

namespace engine {

// Cuts the first field off line: token becomes the text before the first separator
// (empty when the separator is absent or first), and the token and separator are
// removed from line (which stays unchanged when the separator is absent).
void SplitToken(std::string& line, char separator, std::string& token);

struct ManifestEntry {
    std::string name;     // names the blob
    std::string type;     // its type
    std::string fileName; // file-name part of the source path, as UTF-8 (the manifest is
                          // written in code page 936)
};

// Raises rt::Error when the file name is not code page 936.
ManifestEntry SplitManifestLine(std::string line);

enum class LineClass {
    Manifest, // line 1: the manifest's own entry, read and skipped
    Root,     // lines 2 to 5: the target folder
    Data,     // line 6: the data sub-folder
    Daily,    // lines 7 onward: the daily sub-folder
};

// Class of a 1-based line number: the payload's one line-to-folder rule (EntryPath in
// TargetPaths.h turns the class into the folder). Its build-time twin, subfolder() in
// tools/make_payload_rc.py, finds the blobs by the same rule: change both together.
LineClass ClassOfLine(long lineNumber);

// The fewest lines a manifest needs: lines 2 to 6 are read without an end-of-text test.
constexpr long kMinimumManifestLines = 6;

// The manifest's own blob.
constexpr const char* kManifestName = "fcount";
constexpr const char* kManifestType = "datfile";

} // namespace engine
