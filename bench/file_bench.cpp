// The file figures of bench/run, each measured side by side with its floor or peer in
// one run: rounds alternate the two, and each row gives medians with min and max.
// Prints Markdown table rows on standard output.
//   file_bench <work folder> [text]
// With a text, only the rows whose name holds it are measured (to look at one figure).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/profile/profile.h"
#include "platform/registry/registry.h"
#include "platform/text/utf16.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Spread {
    double median = 0, min = 0, max = 0;
};

Spread spread(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return {samples[samples.size() / 2], samples.front(), samples.back()};
}

double timeOf(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Gives `path` a modification time of some seconds ago, another at each call: as the
// application's file is, written a while ago (nothing to wait for), and new to the
// profile functions' cache, which must read it again.
void age(const std::string& path) {
    static long nanoseconds = 0;
    timespec times[2];
    clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= 10;
    times[0].tv_nsec = ++nanoseconds % 1000000000;
    times[1] = times[0];
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

void writeWhole(const std::string& path, const std::string& bytes) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
        std::perror(path.c_str());
        std::exit(1);
    }
    close(fd);
    age(path);
}

// The floor of every read: the whole file read once, into a buffer kept for the next.
const std::string& readOnce(const std::string& path) {
    static std::string buffer;
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    fstat(fd, &info);
    buffer.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    ssize_t count;
    while (done < buffer.size() &&
           (count = read(fd, buffer.data() + done, buffer.size() - done)) > 0)
        done += static_cast<std::size_t>(count);
    close(fd);
    buffer.resize(done);
    return buffer;
}

// The floor of a write: read, temporary file, fsync, rename.
void rewriteAtomically(const std::string& path) {
    const std::string& buffer = readOnce(path);
    const std::string temporary = path + ".new";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (write(fd, buffer.data(), buffer.size()) < 0 || fsync(fd) != 0) std::exit(1);
    close(fd);
    rename(temporary.c_str(), path.c_str());
}

// A configuration file of the usual shape: sections of ten entries.
std::string iniOfSize(std::size_t size) {
    std::string bytes = "[General]\r\nName=bench\r\n\r\n";
    for (int i = 0; bytes.size() < size; ++i) {
        bytes += "[Section" + std::to_string(i) + "]\r\n";
        for (int k = 0; k < 10; ++k)
            bytes += "Key" + std::to_string(k) + "=" + std::string(24, 'v') + "\r\n";
        bytes += "\r\n";
    }
    // The entries brenix uses stand last, where a scan finds them latest.
    return bytes + "[DDSB_1]\r\nAttenuator=10\r\nAttenuator2=20.5\r\nHopFrequency=1250.5\r\n";
}

// A registry export of the usual shape: keys of a few values, some paths among them.
std::string storeOfSize(std::size_t size) {
    std::string bytes = "REGEDIT4\r\n\r\n";
    for (int i = 0; bytes.size() < size; ++i) {
        bytes += "[HKEY_CURRENT_USER\\Software\\Vendor\\Product" + std::to_string(i) + "]\r\n";
        bytes += "\"Path\"=\"C:\\\\Program Files\\\\Product\\\\bin\"\r\n";
        for (int k = 0; k < 4; ++k)
            bytes += "\"Name" + std::to_string(k) + "\"=\"" + std::string(24, 'v') + "\"\r\n";
        bytes += "\"Flags\"=dword:00000001\r\n\r\n";
    }
    return bytes +
           "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\r\n"
           "\"corvane.ini\"=\"/opt/lumiq/Corvane.ini\"\r\n";
}

std::string sizeName(std::size_t size) {
    return size >= (1 << 20) ? std::to_string(size >> 20) + " MiB"
                             : std::to_string(size >> 10) + " KiB";
}

std::string onlyRows;

// Measures `ours` against `floor`, alternating, and prints a row with the goal.
// `beforeOurs`, when given, runs untimed before each round of ours.
double row(
    const std::string& what, std::size_t size, int rounds, const std::string& floorName,
    double goal, const std::function<void()>& ours, const std::function<void()>& floor,
    const std::function<void()>& beforeOurs = [] {}, const char* noGoal = "peer") {
    if ((what + " " + floorName).find(onlyRows) == std::string::npos) return 0;
    // Written data still on its way to the disk (the peer's writes leave much) would
    // slow whichever side meets the flush.
    sync();
    std::vector<double> oursSamples, floorSamples;
    const auto timeOurs = [&] {
        beforeOurs();
        return timeOf(ours);
    };
    timeOurs();  // warm the page cache and the code once
    floor();
    for (int i = 0; i < rounds; ++i) {
        if (i % 2 == 0) {
            oursSamples.push_back(timeOurs());
            floorSamples.push_back(timeOf(floor));
        } else {
            floorSamples.push_back(timeOf(floor));
            oursSamples.push_back(timeOurs());
        }
    }
    const Spread a = spread(oursSamples), b = spread(floorSamples);
    const double ratio = a.median / b.median;
    std::printf("| %s | %s | %.3f (%.3f–%.3f) | %s: %.3f (%.3f–%.3f) | %.2f | %s | %s |\n",
                what.c_str(), sizeName(size).c_str(), a.median, a.min, a.max, floorName.c_str(),
                b.median, b.min, b.max, ratio,
                goal > 0 ? ("≤ " + std::to_string(goal).substr(0, 3)).c_str() : noGoal,
                goal <= 0       ? "—"
                : ratio <= goal ? "met"
                                : "MISSED");
    std::fflush(stdout);
    return a.median;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: file_bench <work folder> [text]\n");
        return 2;
    }
    const std::string work = argv[1];
    if (argc == 3) onlyRows = argv[2];
    setenv("XDG_CONFIG_HOME", work.c_str(), 1);
    mkdir((work + "/winreg").c_str(), 0755);
    const std::string store = work + "/winreg/registry.reg";
    std::vector<double> perMiB;

    for (const std::size_t size :
         {std::size_t{64} << 10, std::size_t{1} << 20, std::size_t{16} << 20}) {
        const int rounds = size > (1 << 20) ? 11 : 21;
        const std::string ini = work + "/Corvane.ini", floorIni = work + "/floor.ini",
                          crudiniIni = work + "/crudini.ini";
        const std::string content = iniOfSize(size);
        for (const auto& path : {ini, floorIni, crudiniIni}) writeWhole(path, content);

        // A file the calls have not seen before: each round reads it, as a program
        // that starts does.
        char buffer[255];
        row(
            "one GetPrivateProfileString", size, rounds, "read once", 3,
            [&] {
                platform::profile::GetPrivateProfileString("DDSB_1", "HopFrequency", " ", buffer,
                                                           127, ini);
            },
            [&] { readOnce(ini); }, [&] { age(ini); });
        row(
            "brenix's load: section test and three reads", size, rounds, "read once", 5,
            [&] {
                platform::profile::GetPrivateProfileSection("DDSB_1", buffer, 255, ini);
                for (const char* key : {"Attenuator", "Attenuator2", "HopFrequency"})
                    platform::profile::GetPrivateProfileString("DDSB_1", key, " ", buffer, 127,
                                                               ini);
            },
            [&] { readOnce(ini); }, [&] { age(ini); });
        int value = 0;
        // The goal holds from 1 MiB: below, the fixed costs of a write that the floor
        // leaves out (the folder's flush, the lock, the check of what it replaces) weigh.
        const double apply = row(
            "Apply's three writes", size, rounds, "three atomic rewrites",
            size >= (1 << 20) ? 1.3 : 0,
            [&] {
                const std::string text = " " + std::to_string(value++ % 60);
                for (const char* key : {"Attenuator", "Attenuator2", "HopFrequency"})
                    platform::profile::WritePrivateProfileString("DDSB_1", key, text, ini);
            },
            [&] {
                for (int i = 0; i < 3; ++i) rewriteAtomically(floorIni);
            },
            [] {}, "from 1 MiB");
        perMiB.push_back(apply / (static_cast<double>(size) / (1 << 20)));
        row(
            "Apply's three writes", size, size > (1 << 20) ? 3 : 5, "three `crudini --set`", 0,
            [&] {
                const std::string text = " " + std::to_string(value++ % 60);
                for (const char* key : {"Attenuator", "Attenuator2", "HopFrequency"})
                    platform::profile::WritePrivateProfileString("DDSB_1", key, text, ini);
            },
            [&] {
                for (const char* key : {"Attenuator", "Attenuator2", "HopFrequency"}) {
                    const std::string command =
                        "crudini --set '" + crudiniIni + "' DDSB_1 " + key + " ' 10'";
                    if (std::system(command.c_str()) != 0) std::exit(1);
                }
            });

        enum class Store { Utf8, Utf8Lf, Utf16 };
        for (const Store form : {Store::Utf8, Store::Utf8Lf, Store::Utf16}) {
            std::string bytes = storeOfSize(size);
            if (form == Store::Utf8Lf) std::erase(bytes, '\r');
            if (form == Store::Utf16) bytes = "\xFF\xFE" + platform::text::utf8ToUtf16(bytes);
            writeWhole(store, bytes);
            namespace reg = platform::registry;
            row(
                form == Store::Utf16    ? "one registry lookup (UTF-16LE store)"
                : form == Store::Utf8Lf ? "one registry lookup (UTF-8 store, LF line ends)"
                                        : "one registry lookup (UTF-8 store)",
                size, rounds, "read the store once", form == Store::Utf16 ? 5 : 3,
                [&] {
                    reg::Key key = 0;
                    if (reg::OpenKey(reg::CurrentUser, "Software\\Harvane\\Vexon\\path", &key) !=
                        reg::Success)
                        std::exit(1);
                    unsigned char data[255];
                    std::uint32_t length = sizeof data;
                    reg::QueryValue(key, "corvane.ini", nullptr, data, &length);
                    reg::CloseKey(key);
                },
                [&] { readOnce(store); });
        }
    }
    if (!onlyRows.empty()) return 0;
    std::printf(
        "\nApply's three writes per MiB of file: %.2f ms at 64 KiB, %.2f ms at 1 MiB, %.2f ms "
        "at 16 MiB (growth in proportion to the size: %s)\n",
        perMiB[0], perMiB[1], perMiB[2], perMiB[2] <= perMiB[1] * 1.3 ? "met" : "MISSED");
}
