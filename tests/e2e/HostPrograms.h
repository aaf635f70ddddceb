// Reaching the host system from a test under Wine: the host's path of a path in the Wine
// prefix, and starting a host program (Wine can neither make nor move a Unix link, and
// reads access lists from Unix permissions, so links and modes are made on the host).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// The path on the host of a path in the Wine prefix; "" when not under Wine.
std::string HostPath(const std::string& path);

// Runs a program of the host system (Wine starts one named by its path on drive Z:, the
// host's root) and waits until done() answers true. Wine gives no handle to wait on for
// such a program, so the test waits for what it was to do.
bool RunOnTheHost(const std::string& program, const std::vector<std::string>& arguments,
                  const std::function<bool()>& done);

} // namespace e2e
