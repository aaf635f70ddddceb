#include "framework/WorkerThread.h"

#include <process.h>

namespace framework {

WorkerThread::WorkerThread(std::function<void()> work) : work_(std::move(work)) {
    // The C runtime's own thread start, so that the work may use the runtime freely.
    thread_ = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Main, this, CREATE_SUSPENDED, nullptr));
    if (!thread_)
        return;
    SetThreadPriority(thread_, THREAD_PRIORITY_BELOW_NORMAL);
    ResumeThread(thread_);
}

WorkerThread::~WorkerThread() {
    if (!thread_)
        return;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
}

unsigned __stdcall WorkerThread::Main(void* self) {
    static_cast<WorkerThread*>(self)->work_();
    return 0;
}

} // namespace framework
