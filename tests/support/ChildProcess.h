#pragma once
// Running part of a test in a child process set up differently from the test itself.

#include <functional>

// The exit status of Body run in a child process after Setup; 125 when Setup failed (the child
// could not be set up).
int RunInChild(const std::function<int()>& Setup, const std::function<int()>& Body);

// Setup for RunInChild where folder permissions must hold: root gives up its override in a user
// namespace that does not know it. Fails where no user namespace can be made.
int WithoutRootOverride();
