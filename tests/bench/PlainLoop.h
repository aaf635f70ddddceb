// The floor the benchmarks measure the installer against: the same bytes written to the
// same paths with the same calls, and nothing else (or, with perFile, only the given
// page work after each file).
#pragma once

#include "tests/bench/PayloadInMemory.h"

#include <functional>
#include <string>
#include <vector>

namespace bench {

void PlainLoop(const PayloadToWrite& payload, const std::string& target,
               const std::function<void(const std::string& path)>& perFile);

double MillisecondsOf(const std::function<void()>& work);
double Median(std::vector<double> values);

} // namespace bench
