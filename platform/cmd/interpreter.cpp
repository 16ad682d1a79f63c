#include "interpreter.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <ostream>

#include "platform/paths/paths.h"

namespace platform::cmd {

namespace {

std::string trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

std::string lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool isComment(const std::string& line) {
    const std::string word = lower(line.substr(0, 4));
    return word == "rem" || word == "rem " || word == "rem\t";
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
        std::string line = trim(raw);
        if (line.empty()) continue;
        const bool quiet = line.front() == '@';
        if (quiet) line = trim(line.substr(1));
        if (echo && !quiet) output << "\n" << prompt() << line << "\n";
        if (line.empty() || isComment(line)) continue;

        const std::string command = lower(line);
        if (command == "echo off" || command == "echo on") {
            echo = command == "echo on";
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
