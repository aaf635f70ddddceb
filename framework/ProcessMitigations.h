// The operating system's own walls around this process, where it has them. The
// installer runs as an administrator in folders that other users may have prepared; the
// checks of its own (the trust rule, links refused) stay the rule, and these walls stand
// behind them on the systems that have them.
#pragma once

namespace framework {

// Start-up's very first step, before the program loads a DLL or opens a file itself
// (what the executable imports is loaded before it runs):
// - redirection trust: a junction that a non-administrator made is not followed, the
//   open through it fails instead (Windows 11 and Windows Server 2022 on; Windows 10
//   1809 and 1909 answer "not supported");
// - image loads: no DLL from another computer, none labelled low integrity, and the
//   system folder searched before the program's own (Windows 10 1607 on; 1511 has the
//   first two).
// A system that has no such policy (or refuses it) runs without it, silently. Once set,
// a policy lasts for the process's life and cannot be turned off.
void TurnOnProcessMitigations();

} // namespace framework
