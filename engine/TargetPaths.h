// Where the run puts things: plain concatenations of the target folder text as the
// user left it; no separator is added or removed beyond the texts shown, and only the
// uses named here are blank-stripped.
#pragma once

#include "engine/Manifest.h"

#include <string>

namespace engine {

std::string DataFolder(const std::string& installDir);  // installDir + "\data"
std::string DailyFolder(const std::string& installDir); // installDir + "\data\day"
std::string ManifestCopyPath(const std::string& installDir);
std::string UninstallListPath(const std::string& installDir);
// The run's journal: stripped(installDir) + "\Setup.journal", beside the manifest copy.
std::string JournalPath(const std::string& installDir);
// Target of a manifest entry of the given class (not the manifest's own line).
std::string EntryPath(const std::string& installDir, LineClass lineClass, const std::string& fileName);

// The first part of a target folder (blank-stripped) that ends in a blank or a dot, or
// "" when none does. The system drops those from a path's last part only, so such a
// folder would be "C:\Q" when made and looked at but "C:\Q " when written into: one
// target would name two folders. "." and ".." count too, for the same reason.
std::string PartEndingInBlankOrDot(const std::string& installDir);

} // namespace engine
