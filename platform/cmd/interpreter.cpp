#include "interpreter.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <ostream>

#include "platform/paths/paths.h"
#include "platform/text/ascii.h"

namespace platform::cmd {

namespace {

bool isComment(std::string_view line) {
    return text::equalsIgnoringCase(line, "rem") || text::startsWithIgnoringCase(line, "rem ") ||
           text::startsWithIgnoringCase(line, "rem\t");
}

std::string absolute(const std::string& path) {
    if (path.front() == '/') return path;
    char folder[4096];
    return getcwd(folder, sizeof folder) != nullptr ? std::string(folder) + "/" + path
                                                    : "./" + path;
}

int openDocument(const std::string& path) {
    const pid_t child = fork();
    if (child < 0) return 1;
    if (child == 0) {
        execlp("xdg-open", "xdg-open", path.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return 1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

std::string prompt() {
    char folder[4096];
    return getcwd(folder, sizeof folder) != nullptr ? std::string(folder) + ">" : std::string(">");
}

}  // namespace

std::optional<std::string> readScript(const std::string& path, int descriptor) {
    const int fd =
        descriptor >= 0 ? descriptor : open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::string bytes;
    char chunk[8192];
    ssize_t count;
    while ((count = read(fd, chunk, sizeof chunk)) != 0) {
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) break;
        bytes.append(chunk, static_cast<std::size_t>(count));
    }
    const int failure = errno;
    close(fd);
    if (count < 0) {
        errno = failure;
        return std::nullopt;
    }
    return bytes;
}

int runScript(std::string_view bytes, std::ostream& output, std::ostream& errors) {
    bool echo = true;
    int status = 0;
    while (!bytes.empty()) {
        const auto newline = bytes.find('\n');
        std::string raw(bytes.substr(0, newline));
        bytes.remove_prefix(newline == std::string_view::npos ? bytes.size() : newline + 1);
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();
        std::string line(text::trimBlanks(raw));
        if (line.empty()) continue;
        const bool quiet = line.front() == '@';
        if (quiet) line = text::trimBlanks(std::string_view(line).substr(1));
        if (echo && !quiet) output << "\n" << prompt() << line << "\n";
        if (line.empty() || isComment(line)) continue;

        if (text::equalsIgnoringCase(line, "echo off") ||
            text::equalsIgnoringCase(line, "echo on")) {
            echo = text::equalsIgnoringCase(line, "echo on");
            continue;
        }
        const std::string document = paths::toLocalPath(line, paths::BareName::InCurrentFolder);
        // A zero byte would cut the path short: such a line names nothing.
        if (line.find('\0') == std::string::npos && paths::isRegularFile(document)) {
            status = openDocument(absolute(document));
        } else {
            errors << "'" << line
                   << "' is not recognized as an internal or external command, operable program or "
                      "batch file.\n";
            status = NotRecognized;
        }
    }
    return status;
}

}  // namespace platform::cmd
