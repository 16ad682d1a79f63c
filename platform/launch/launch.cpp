#include "launch.h"

#include <fcntl.h>
#include <linux/close_range.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <vector>

#include "platform/paths/paths.h"
#include "platform/text/ascii.h"

namespace platform::launch {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string local(std::string_view path) {
    return paths::toLocalPath(path, paths::BareName::InCurrentFolder);
}

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) ++i;
        if (i == text.size()) break;
        std::string word;
        bool quoted = false;
        for (; i < text.size() && (quoted || !isBlank(text[i])); ++i) {
            if (text[i] == '"') {
                quoted = !quoted;
            } else {
                word += text[i];
            }
        }
        words.push_back(word);
    }
    return words;
}

// The program part of a command line and the text of its arguments.
std::pair<std::string, std::string_view> splitProgram(std::string_view line) {
    while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
    if (line.starts_with('"')) {
        const auto close = line.find('"', 1);
        if (close == std::string_view::npos) return {std::string(line.substr(1)), {}};
        return {std::string(line.substr(1, close - 1)), line.substr(close + 1)};
    }
    for (std::size_t end = 0; end <= line.size(); ++end) {
        if (end < line.size() && !isBlank(line[end])) continue;
        const std::string_view candidate = line.substr(0, end);
        if (!candidate.empty() && paths::isRegularFile(local(candidate)))
            return {std::string(candidate), line.substr(end)};
    }
    const auto blank = line.find_first_of(" \t");
    return {std::string(line.substr(0, blank)),
            blank == std::string_view::npos ? std::string_view() : line.substr(blank)};
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

// One record on the pipe from the intermediate and the final child.
struct Report {
    char kind;  // 'P': the program's process ID; 'E': the errno of a failed start
    int value;
};

void report(int fd, char kind, int value) {
    const Report record{kind, value};
    [[maybe_unused]] const ssize_t ignored = write(fd, &record, sizeof record);
}

}  // namespace

std::string interpreterPath() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path =
        length > 0 ? std::string(self, static_cast<std::size_t>(length)) : std::string();
    path.resize(path.rfind('/') + 1);  // the folder, with its slash; empty when unknown
    return path + "wincmd";
}

pid_t startHidden(std::string_view commandLine) {
    const auto [program, rest] = splitProgram(commandLine);
    if (program.empty()) {
        errno = ENOENT;
        return 0;
    }
    std::vector<std::string> arguments;
    if (text::endsWithIgnoringCase(program, ".cmd") ||
        text::endsWithIgnoringCase(program, ".bat")) {
        arguments = {interpreterPath(), local(program)};
    } else {
        arguments = {findOnPath(local(program))};
    }
    for (auto& word : splitWords(rest)) arguments.push_back(std::move(word));
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return 0;
    // The program is a grandchild: the child in between ends at once and is reaped
    // here, so the program belongs to init and never lingers as a zombie of ours.
    const pid_t child = fork();
    if (child < 0) {
        const int failure = errno;
        close(pipeFds[0]);
        close(pipeFds[1]);
        errno = failure;
        return 0;
    }
    if (child == 0) {
        close(pipeFds[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild < 0) {
            report(pipeFds[1], 'E', errno);
            _exit(1);
        }
        if (grandchild > 0) {
            report(pipeFds[1], 'P', grandchild);
            _exit(0);
        }
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            if (null > STDERR_FILENO) close(null);
        }
        // Like a process started without inherited handles: none of the caller's files
        // and no blocked signals go along.
        close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(argv[0], argv.data());
        report(pipeFds[1], 'E', errno);
        _exit(127);
    }

    close(pipeFds[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    pid_t started = 0;
    int failure = ECHILD;
    Report record;
    ssize_t count;
    while ((count = read(pipeFds[0], &record, sizeof record)) != 0) {
        if (count < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (count != sizeof record) break;
        if (record.kind == 'P') started = record.value;
        if (record.kind == 'E') {
            failure = record.value;
            started = 0;
            break;
        }
    }
    close(pipeFds[0]);
    if (started == 0) errno = failure;
    return started;
}

}  // namespace platform::launch
