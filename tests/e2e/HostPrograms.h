// Reaching the host system from a test under Wine: starting a host program (Wine can
// neither make nor move a Unix link, and reads access lists from Unix permissions, so
// links and modes are made on the host, at paths testing_support::HostPath gives).
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace e2e {

// Runs a program of the host system (Wine starts one named by its path on drive Z:, the
// host's root) and waits until done() answers true. Wine gives no handle to wait on for
// such a program, so the test waits for what it was to do.
bool RunOnTheHost(const std::string& program, const std::vector<std::string>& arguments,
                  const std::function<bool()>& done);

} // namespace e2e
