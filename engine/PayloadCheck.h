// Whether the payload is whole: the manifest and every blob it names against the
// SHA-256 digests the build recorded (tools/make_payload_rc.py), condensed into one
// digest in a resource of a type of its own. A damaged or truncated program is found
// before anything is written.
#pragma once

#include "engine/PayloadStore.h"

#include <atomic>
#include <cstddef>

namespace engine {

// The digest of the payload: the SHA-256 of the 32-byte SHA-256 digests of the manifest
// and of the blob each manifest line names, in manifest order. One digest for all
// finds a damaged blob as surely as one digest each, and 1,700 digests would add
// 55 KB to the program.
constexpr const char* kDigestsName = "SHA256";
constexpr const char* kDigestsType = "PAYLOADDIGESTS";

// The check of one store's payload, which one thread runs (the wizard starts it on a
// worker thread when the program starts) while others read how far it is. The store
// must serve Open from that thread: the resource store reads only the executable's
// mapped, read-only resources and keeps no state.
class PayloadCheck {
  public:
    enum class State {
        NotStarted, // nothing known yet (also after a stop or a failure of the check itself)
        Running,    // digesting; see Done and InAll
        Whole,      // every blob is as the build digested it
        Damaged,    // a blob (the manifest included) differs or is missing, or the digest is
    };

    explicit PayloadCheck(const PayloadStore& store) : store_(store) {}
    PayloadCheck(const PayloadCheck&) = delete;
    PayloadCheck& operator=(const PayloadCheck&) = delete;

    // Checks the payload on the calling thread, unless it is checked or being checked:
    // NotStarted, Running, then Whole or Damaged. A stop request, or a failure of the
    // check itself (the hash provider, memory), brings it back to NotStarted, which says
    // nothing of the payload. Raises nothing, so that it can be a thread's whole work.
    void Run() noexcept;
    // For the program's end: a running check ends at its next blob, back at
    // NotStarted, and the check does not start again.
    void RequestStop() { stopRequested_ = true; }

    // Readable from any thread at any time.
    State Now() const { return state_; }
    // Bytes digested so far, and in all (0 until the manifest has been read).
    std::size_t Done() const { return done_; }
    std::size_t InAll() const { return inAll_; }

    // Whether the payload is whole, checking it here first when it is NotStarted (then
    // raising the hash provider's I/O error). Raises when the check is Running or was
    // stopped: the caller waits for it to end.
    bool IsWhole();

  private:
    // The check itself: back at NotStarted when stopped or when it raises.
    void Check();
    // Whole or Damaged; NotStarted when a stop was asked for.
    State Verdict();

    const PayloadStore& store_;
    std::atomic<State> state_{State::NotStarted};
    std::atomic<std::size_t> done_{0};
    std::atomic<std::size_t> inAll_{0};
    std::atomic<bool> stopRequested_{false};
};

// Whether the payload is whole, checked on the calling thread (see PayloadCheck::IsWhole).
bool PayloadIsWhole(const PayloadStore& store);

} // namespace engine
