// COM's security for the whole process. The installer runs as an administrator and asks
// the desktop's shell, a process of lower rights, to open things; what crosses between
// the two must not lend the shell the administrator's rights.
#pragma once

namespace shell {

// Sets the process's COM security, once, right after COM is initialised on the main
// thread and before any window (answering an accessibility client's WM_GETOBJECT hands
// out an interface, which would settle COM's security with its defaults) and before any
// interface crosses to another process:
// - calls out identify this process to the server but do not let it act as this
//   process (impersonation level "identify", no cloaking);
// - calls in are admitted only from the system and administrators: the installer hands
//   no interface of its own to anyone, so no program of the user's has a reason to call;
// - no server is ever started with this process's rights to answer an activation, and
//   no object from another process is unmarshalled by code that the system does not
//   provide.
// Raises rt::Error, with the system's text for COM's answer, when COM refuses: the
// process would then run with settings other than these (already set, RPC_E_TOO_LATE;
// COM not initialised) and must not go on.
void SecureComForThisProcess();

} // namespace shell
