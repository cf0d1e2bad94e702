#ifndef BACKENDS_SQLITE_WRITER_LOCK_H_
#define BACKENDS_SQLITE_WRITER_LOCK_H_

#include <chrono>
#include <string>

#include "backends/rows/row_store.h"

namespace sqlite_host {

// Runs that change a host take turns. A run of the tool reads a policy,
// changes it and writes it back in separate library operations; a second run
// doing the same at once would overwrite the first one's change. So a run
// holds this lock, an exclusive flock on the database file, from the moment
// it looks up an object it may change until it lets go of that object, and
// around every change it makes; the kernel drops it when the process dies,
// even by SIGKILL. Runs that only read never take it: they read a snapshot
// of the host, and a stalled reader (a listing piped into a pager) holds up
// no one.
//
// A waiting run sleeps in the kernel, which wakes it when the lock is free;
// it gives up after the wait limit.
class WriterLock {
 public:
  // path: the database file, which exists. wait: how long Acquire waits.
  WriterLock(std::string path, std::chrono::milliseconds wait);
  ~WriterLock();
  WriterLock(const WriterLock&) = delete;
  WriterLock& operator=(const WriterLock&) = delete;

  // Takes the lock, or counts one more hold when this object has it already.
  // Throws QuorvicException "cannot open host database PATH: REASON" when it
  // cannot, or when another run keeps it for the whole wait.
  void Acquire();
  // Gives back one hold; the lock goes when the last one does.
  void Release();

 private:
  std::string path_;
  std::chrono::milliseconds wait_;
  int fd_ = -1;
  int holds_ = 0;
};

// One hold of a WriterLock for as long as it lives.
class WriterHold : public rows::ChangeHold {
 public:
  explicit WriterHold(WriterLock& lock) : lock_(&lock) { lock_->Acquire(); }
  ~WriterHold() override {
    if (lock_ != nullptr) lock_->Release();
  }
  WriterHold(WriterHold&& other) noexcept : lock_(other.lock_) { other.lock_ = nullptr; }
  WriterHold(const WriterHold&) = delete;
  WriterHold& operator=(const WriterHold&) = delete;
  WriterHold& operator=(WriterHold&&) = delete;

 private:
  WriterLock* lock_;
};

}  // namespace sqlite_host

#endif  // BACKENDS_SQLITE_WRITER_LOCK_H_
