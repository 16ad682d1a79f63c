#include "ini_rewriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <QString>
#include <chrono>
#include <random>

#include "vexon_application.h"

namespace {

constexpr std::string_view Section = "[VexonSim]";
constexpr std::string_view Key = "Counter=";

bool readWhole(const std::string& path, std::string& bytes) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bytes.clear();
    char chunk[65536];
    ssize_t count;
    while ((count = read(fd, chunk, sizeof chunk)) > 0) bytes.append(chunk, count);
    close(fd);
    return count == 0;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t count = write(fd, data, size);
        if (count <= 0) return false;
        data += count;
        size -= static_cast<std::size_t>(count);
    }
    return true;
}

// The counter's value in `bytes`, or -1 when there is none.
long long counterIn(const std::string& bytes, std::size_t& valueBegin, std::size_t& valueEnd) {
    const auto section = bytes.find(Section);
    if (section == std::string::npos) return -1;
    const auto key = bytes.find(Key, section);
    if (key == std::string::npos) return -1;
    valueBegin = key + Key.size();
    valueEnd = bytes.find_first_of("\r\n", valueBegin);
    if (valueEnd == std::string::npos) valueEnd = bytes.size();
    try {
        return std::stoll(bytes.substr(valueBegin, valueEnd - valueBegin));
    } catch (const std::exception&) {
        return -1;
    }
}

}  // namespace

IniRewriter::IniRewriter(std::string path, Mode mode, double ratePerSecond)
    : path_(std::move(path)), mode_(mode), rate_(ratePerSecond), thread_([this] { run(); }) {}

IniRewriter::~IniRewriter() {
    stopping_ = true;
    thread_.join();
    logLine(QStringLiteral("rewrites: %1, undone: %2, failed: %3")
                .arg(rewrites_)
                .arg(undone_)
                .arg(failures_));
}

void IniRewriter::run() {
    const auto period = std::chrono::duration<double>(1.0 / rate_);
    auto next = std::chrono::steady_clock::now();
    while (!stopping_) {
        rewriteOnce();
        next += std::chrono::duration_cast<std::chrono::steady_clock::duration>(period);
        std::this_thread::sleep_until(next);
    }
}

void IniRewriter::rewriteOnce() {
    std::string bytes;
    if (!readWhole(path_, bytes)) {
        ++failures_;
        return;
    }
    std::size_t begin = 0, end = 0;
    const long long found = counterIn(bytes, begin, end);
    if (counter_ >= 0 && found != counter_) ++undone_;
    const long long next = (counter_ >= 0 ? counter_ : std::max(found, 0LL)) + 1;
    const std::string value = std::to_string(next);
    if (found < 0) {
        bytes.insert(0, std::string(Section) + "\r\n" + std::string(Key) + value + "\r\n");
    } else {
        bytes.replace(begin, end - begin, value);
    }

    bool written = false;
    if (mode_ == Mode::InPlace) {
        static std::mt19937 random{std::random_device{}()};
        const int fd = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd >= 0) {
            written = true;
            const std::size_t piece = bytes.size() / 4 + 1;
            for (std::size_t at = 0; at < bytes.size() && written; at += piece) {
                if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(random() % 21));
                written = writeAll(fd, bytes.data() + at, std::min(piece, bytes.size() - at));
            }
            close(fd);
        }
    } else {
        const std::string temporary = path_ + ".vexon-sim-new";
        const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) {
            written = writeAll(fd, bytes.data(), bytes.size());
            close(fd);
            written = written && rename(temporary.c_str(), path_.c_str()) == 0;
        }
    }
    if (written) {
        counter_ = next;
        ++rewrites_;
    } else {
        ++failures_;
    }
}
