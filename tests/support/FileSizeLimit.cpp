#include "tests/support/FileSizeLimit.h"

#include <csignal>

TFileSizeLimit::TFileSizeLimit(rlim_t Bytes) {
    ::getrlimit(RLIMIT_FSIZE, &FSaved);
    FHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit Limit = FSaved;
    Limit.rlim_cur = Bytes;
    ::setrlimit(RLIMIT_FSIZE, &Limit);
}

TFileSizeLimit::~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &FSaved);
    std::signal(SIGXFSZ, FHandler);
}
