#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

int RunInChild(const std::function<int()>& Setup, const std::function<int()>& Body) {
    return WaitForChild(StartInChild([&] { return Setup() != 0 ? 125 : Body(); }));
}

pid_t StartInChild(const std::function<int()>& Body) {
    const pid_t Child = ::fork();
    if (Child == 0) ::_exit(Body());
    return Child;
}

int WaitForChild(pid_t Child) {
    if (Child < 0) return 125;
    int Status = 0;
    while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(Status) ? WEXITSTATUS(Status) : 126;
}

int WithoutOverride() {
    return ::geteuid() == 0 ? ::unshare(CLONE_NEWUSER) : 0;
}
