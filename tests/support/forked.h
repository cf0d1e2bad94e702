#ifndef SUPPORT_FORKED_H_
#define SUPPORT_FORKED_H_

#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <vector>

// For tests: runs body(0) to body(count - 1) at once, each in a process of
// its own that ends with the status body returns (254 when it throws).
// Returns the children's exit statuses in order, -1 for one that did not
// exit normally.
inline std::vector<int> RunForked(int count, const std::function<int(int)>& body) {
  std::vector<pid_t> children;
  for (int i = 0; i < count; ++i) {
    if (pid_t child = fork(); child != 0) {
      children.push_back(child);
      continue;
    }
    try {
      _exit(body(i));
    } catch (...) {
      _exit(254);
    }
  }
  std::vector<int> statuses;
  for (pid_t child : children) {
    int status = 0;
    bool exited = waitpid(child, &status, 0) == child && WIFEXITED(status);
    statuses.push_back(exited ? WEXITSTATUS(status) : -1);
  }
  return statuses;
}

#endif  // SUPPORT_FORKED_H_
