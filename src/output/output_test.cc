#include "output/output.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace {

int failedWith = 0;
void NoteFailure(int error) { failedWith = error; }

// What the read end of a pipe holds now, without waiting.
std::string Available(int fd) {
  char buffer[256];
  ssize_t n = read(fd, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

TEST(OutputStream, HandsEachLineToTheKernelWhenItEnds) {
  int fds[2];
  ASSERT_EQ(pipe2(fds, O_NONBLOCK), 0);
  {
    OutputStream out(fds[1], NoteFailure);
    out << "vSwitch0" << ' ' << 128;
    EXPECT_EQ(Available(fds[0]), "");  // half a line stays ours
    out.EndLine();
    EXPECT_EQ(Available(fds[0]), "vSwitch0 128\n");
  }
  close(fds[0]);
  close(fds[1]);
}

TEST(OutputStream, ReportsAFailedWriteOnce) {
  int full = open("/dev/full", O_WRONLY);
  ASSERT_GE(full, 0);
  failedWith = 0;
  {
    OutputStream out(full, NoteFailure);
    out << "lost";
    out.EndLine();
    EXPECT_EQ(failedWith, ENOSPC);
    failedWith = 0;
  }  // nothing is left to write, so nothing fails again
  EXPECT_EQ(failedWith, 0);
  close(full);
}

}  // namespace
