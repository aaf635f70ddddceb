// What an executable weighs beyond the payload it carries: each PE section, and within
// the resources each resource type, the payload's own blobs (the manifest and every
// blob it names) set apart.
#pragma once

namespace bench {

// Prints the report for the executable at path; says so when it cannot be read.
void PrintSizeReport(const char* path);

} // namespace bench
