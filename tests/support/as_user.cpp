#include "as_user.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testing_support {

bool canSwitchUser() { return geteuid() == 0; }

bool runAsUser(const std::function<bool()>& body) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        const gid_t groups[] = {TestUser::SharedGroup};
        const bool dropped = setgroups(1, groups) == 0 &&
                             setresgid(TestUser::Gid, TestUser::Gid, TestUser::Gid) == 0 &&
                             setresuid(TestUser::Uid, TestUser::Uid, TestUser::Uid) == 0;
        _exit(dropped && body() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace testing_support
