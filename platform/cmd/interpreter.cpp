#include "interpreter.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <ostream>

#include "platform/paths/paths.h"
#include "platform/text/ascii.h"

namespace platform::cmd {

namespace {

bool isComment(std::string_view line) {
    return text::equalsIgnoringCase(line, "rem") || text::startsWithIgnoringCase(line, "rem ") ||
           text::startsWithIgnoringCase(line, "rem\t");
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

int runScript(const std::string& script, std::ostream& output, std::ostream& errors) {
    std::ifstream in(script, std::ios::binary);
    if (!in) {
        errors << "The system cannot find the path specified.\n";
        return 1;
    }
    bool echo = true;
    int status = 0;
    std::string raw;
    while (std::getline(in, raw)) {
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
        if (paths::isRegularFile(document)) {
            status = openDocument(document);
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
