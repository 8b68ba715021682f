#pragma once

#include <sys/wait.h>
#include <unistd.h>

namespace foldcraft::test {

// How a check run as an ordinary user ended.
enum class UserRun { kPassed, kFailed, kNoOrdinaryUser };

// Runs check (which must not use GoogleTest assertions) as the calling user, or,
// when that is root (whom file permissions do not bind), in a child process as
// "nobody".
template <class Check>
UserRun AsOrdinaryUser(Check check) {
    if (::geteuid() != 0) return check() ? UserRun::kPassed : UserRun::kFailed;
    const pid_t child = ::fork();
    if (child < 0) return UserRun::kNoOrdinaryUser;
    if (child == 0) {
        const bool dropped = ::setgid(65534) == 0 && ::setuid(65534) == 0;
        ::_exit(dropped ? (check() ? 0 : 1) : 2);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return UserRun::kFailed;
    return WEXITSTATUS(status) == 0   ? UserRun::kPassed
           : WEXITSTATUS(status) == 2 ? UserRun::kNoOrdinaryUser
                                      : UserRun::kFailed;
}

}  // namespace foldcraft::test
