// The framework thread class over our CreateThread.
#include "platform/TThread.h"

#include "platform/Handles.h"
#include "platform/Synchronization.h"
#include "platform/Threads.h"

TThread::TThread(bool createSuspended) : createSuspended_(createSuspended) {
  handle_ = CreateThread(nullptr, 0, &TThread::threadMain, this, CREATE_SUSPENDED, &threadId_);
}

TThread::~TThread() {
  if (started_) {
    Terminate();
    WaitFor();
  }
  if (handle_) CloseHandle(handle_);
}

void TThread::AfterConstruction() {
  if (!createSuspended_) Resume();
}

void TThread::Resume() {
  if (started_ || !handle_) return;
  started_ = ResumeThread(handle_) == 1;
}

void TThread::Terminate() {
  terminated_.store(true, std::memory_order_release);
  TerminatedSet();
}

DWORD TThread::WaitFor() {
  if (started_) WaitForSingleObject(handle_, INFINITE);
  return returnValue_;
}

DWORD TThread::threadMain(LPVOID self) {
  auto* thread = static_cast<TThread*>(self);
  // No exception may leave the thread: it would end the process.
  try {
    thread->Execute();
  } catch (...) {}
  // The owner may delete the object as soon as it sees Finished.
  const DWORD returnValue = thread->returnValue_;
  thread->finished_.store(true, std::memory_order_release);
  return returnValue;
}
