// The changes the POSIX seam makes, told to a listener (runtime/SeamChanges.h).
#include "runtime/PosixSeam.h"
#include "runtime/SeamChanges.h"

#include <map>

namespace os {

namespace {

std::function<void(const Change&)>& Listener() {
    static std::function<void(const Change&)> listener;
    return listener;
}

std::function<unsigned(const Change&)>& Refusal() {
    static std::function<unsigned(const Change&)> refusal;
    return refusal;
}

std::map<FileHandle, std::string>& OpenPaths() {
    static std::map<FileHandle, std::string> paths;
    return paths;
}

} // namespace

void ListenToChanges(std::function<void(const Change&)> listener) {
    Listener() = std::move(listener);
    OpenPaths().clear();
}

void RefuseFlushes(std::function<unsigned(const Change&)> refusal) {
    Refusal() = std::move(refusal);
}

void PretendFlushes(bool pretending) {
    posix::FlushesPretended() = pretending;
}

namespace posix {

bool& FlushesPretended() {
    static bool pretended = false;
    return pretended;
}

unsigned Refused(Change::Kind kind, const std::string& path) {
    return Refusal() ? Refusal()(Change{kind, path, "", "", 0}) : 0;
}

void Tell(Change::Kind kind, const std::string& path, const std::string& to, std::string bytes,
          std::uint32_t attributes) {
    if (Listener())
        Listener()(Change{kind, path, to, std::move(bytes), attributes});
}

unsigned Told(unsigned code, Change::Kind kind, const std::string& path, const std::string& to,
              std::uint32_t attributes) {
    if (code == 0)
        Tell(kind, path, to, "", attributes);
    return code;
}

void RememberOpenPath(FileHandle file, const std::string& path) {
    if (Listener())
        OpenPaths()[file] = path;
}

void ForgetOpenPath(FileHandle file) {
    OpenPaths().erase(file);
}

std::string PathOf(FileHandle file) {
    const auto found = OpenPaths().find(file);
    return found == OpenPaths().end() ? "" : found->second;
}

} // namespace posix

} // namespace os
