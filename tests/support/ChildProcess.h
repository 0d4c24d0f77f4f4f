#pragma once
// Running part of a test in a forked child, for conditions the test process must not take on
// itself (a user namespace, a mount).

#include <functional>

// The exit status of Body run in a child process after Setup; 125 when Setup failed.
int RunInChild(const std::function<int()>& Setup, const std::function<int()>& Body);

// For RunInChild's Setup: folder permissions hold for the child, as root gives up its override in
// a user namespace that does not know it.
int WithoutOverride();
