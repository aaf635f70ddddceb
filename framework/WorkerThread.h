// Work on a thread of its own, owned: the owner's end waits for the thread's. A Win32
// thread, since Setup.exe is built in the win32 thread model, whose C++ library has no
// std::thread (the posix model's would link a pthreads library into the program).
#pragma once

#include <windows.h>

#include <functional>

namespace framework {

class WorkerThread {
  public:
    // Starts work on a new thread at below-normal priority, so that the windows come
    // first. work must raise nothing. When the system makes no thread, work is not run:
    // whoever needs its result does it then.
    explicit WorkerThread(std::function<void()> work);
    // Waits for the thread to end: ask the work to stop first where it can.
    ~WorkerThread();
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;

  private:
    static unsigned __stdcall Main(void* self);

    std::function<void()> work_;
    HANDLE thread_ = nullptr;
};

} // namespace framework
