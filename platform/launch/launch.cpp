#include "launch.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <vector>

#include "platform/paths/paths.h"
#include "platform/text/ascii.h"

namespace platform::launch {

namespace {

// The descriptor through which the interpreter reads its script.
constexpr int ScriptDescriptor = 3;

std::string programPath(std::string_view line) {
    line = text::trimBlanks(line);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
        line = line.substr(1, line.size() - 2);
    return paths::toLocalPath(line, paths::BareName::InCurrentFolder);
}

std::string findOnPath(const std::string& name) {
    if (name.find('/') != std::string::npos) return name;
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto colon = folders.find(':');
        const std::string_view folder = folders.substr(0, colon);
        std::string candidate(folder.empty() ? std::string_view(".") : folder);
        candidate += '/';
        candidate += name;
        if (access(candidate.c_str(), X_OK) == 0 && paths::isRegularFile(candidate))
            return candidate;
        if (colon == std::string_view::npos) return name;
        folders.remove_prefix(colon + 1);
    }
}

// How the program is to start: streams, descriptors, session and signals.
class SpawnSetup {
public:
    explicit SpawnSetup(int scriptContent) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions_, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        int firstClosed = STDERR_FILENO + 1;
        if (scriptContent >= 0) {
            posix_spawn_file_actions_adddup2(&actions_, scriptContent, ScriptDescriptor);
            firstClosed = ScriptDescriptor + 1;
        }
        // Like a process started without inherited handles; falls back to closing one by
        // one where the kernel has no close_range.
        posix_spawn_file_actions_addclosefrom_np(&actions_, firstClosed);

        posix_spawnattr_init(&attributes_);
        sigset_t none, all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setflags(
            &attributes_, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    int spawn(pid_t& started, char* const argv[]) const {
        return posix_spawn(&started, argv[0], &actions_, &attributes_, argv, environ);
    }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attributes_;
};

// What the short-lived child reports: both ints, so the record has no padding.
struct Spawned {
    pid_t pid = 0;
    int error = 0;
};

}  // namespace

std::string interpreterPath() { return paths::besideExecutable(VEXON_INTERPRETER); }

pid_t startHidden(std::string_view commandLine, int scriptContent) {
    const std::string program = programPath(commandLine);
    if (program.empty()) {
        errno = ENOENT;
        return 0;
    }
    std::vector<std::string> arguments;
    if (text::endsWithIgnoringCase(program, ".cmd") ||
        text::endsWithIgnoringCase(program, ".bat")) {
        arguments = {interpreterPath()};
        if (scriptContent >= 0)
            arguments.insert(arguments.end(), {"--descriptor", std::to_string(ScriptDescriptor)});
        arguments.push_back(program);
    } else {
        arguments = {findOnPath(program)};
    }
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const SpawnSetup setup(scriptContent);

    // A short-lived child starts the program and ends at once; it is reaped here, and
    // the program, orphaned, belongs to init: no zombie of ours, no wait for it.
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return 0;
    const pid_t child = fork();
    if (child == 0) {
        Spawned spawned;
        spawned.error = setup.spawn(spawned.pid, argv.data());
        _exit(write(report[1], &spawned, sizeof spawned) == sizeof spawned ? 0 : 1);
    }
    const int forkError = errno;
    close(report[1]);
    Spawned spawned;
    spawned.error = forkError;
    if (child > 0) {
        while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
        }
        ssize_t count;
        while ((count = read(report[0], &spawned, sizeof spawned)) < 0 && errno == EINTR) {
        }
        if (count != sizeof spawned) spawned = {0, ECHILD};
    }
    close(report[0]);
    if (spawned.error != 0 || spawned.pid <= 0) {
        errno = spawned.error != 0 ? spawned.error : ECHILD;
        return 0;
    }
    return spawned.pid;
}

}  // namespace platform::launch
