#pragma once
// Running part of a test in a forked child, for conditions the test process must not take on
// itself (a user namespace, a mount), or for a second workstation acting at the same time.

#include <functional>
#include <sys/types.h>

// The exit status of Body run in a child process after Setup; 125 when Setup failed.
int RunInChild(const std::function<int()>& Setup, const std::function<int()>& Body);

// Body started in a child process that runs beside the test; WaitForChild gives its exit status.
pid_t StartInChild(const std::function<int()>& Body);
int WaitForChild(pid_t Child);

// For RunInChild's Setup: folder permissions hold for the child, as root gives up its override in
// a user namespace that does not know it.
int WithoutOverride();
