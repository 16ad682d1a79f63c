// Runs a piece of a test as an ordinary user, for the rules that root is exempt from.
// The user needs no account: a process of root's takes its ids and drops root.
#pragma once

#include <sys/types.h>

#include <functional>

namespace testing_support {

struct TestUser {
    static constexpr uid_t Uid = 4242;
    static constexpr gid_t Gid = 4242;
    // A group the user belongs to besides its own, shared with the application's account.
    static constexpr gid_t SharedGroup = 4343;
    // The application's account, which owns files the user may only share.
    static constexpr uid_t ApplicationUid = 4444;
};

// Only root can take another user's ids; tests skip without it.
bool canSwitchUser();

// Runs `body` in a child process as TestUser (group TestUser::Gid, member of
// TestUser::SharedGroup). Returns what `body` returned; false when the child could not
// drop root or did not finish.
bool runAsUser(const std::function<bool()>& body);

}  // namespace testing_support
