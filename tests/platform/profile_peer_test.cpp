// The profile writer beside a live application that rewrites the same 1 MiB file
// without locking (vexon-sim --rewrite), in place and by rename.
#include <gtest/gtest.h>

#include <QRegularExpression>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/file/read_file.h"
#include "platform/profile/profile.h"
#include "tests/support/temp_home.h"
#include "tests/support/vexon_sim.h"

namespace {

namespace fs = std::filesystem;
using testing_support::TempHome;
using testing_support::VexonSim;

constexpr std::string_view Tail = "[End]\r\nDone=1\r\n";

std::string megabyteFile() {
    std::string bytes =
        "[General]\r\nName=demo\r\n\r\n[VexonSim]\r\nCounter=0\r\n\r\n"
        "[DDSB_1]\r\nAttenuator=10\r\nAttenuator2=20\r\nHopFrequency=0\r\n\r\n";
    for (int i = 0; bytes.size() < (1 << 20); ++i)
        bytes += "[Pad" + std::to_string(i) + "]\r\nData=" + std::string(1000, 'x') + "\r\n";
    return bytes + std::string(Tail);
}

// A snapshot is whole when it has the application's sections, our section and its end.
bool isWhole(const std::string& bytes) {
    return bytes.size() > (1 << 20) && bytes.ends_with(Tail) &&
           bytes.find("[VexonSim]\r\nCounter=") != std::string::npos &&
           bytes.find("[DDSB_1]\r\nAttenuator=") != std::string::npos;
}

struct Mode {
    const char* name;
    const char* rate;  // rewrites per second
};
void PrintTo(const Mode& mode, std::ostream* out) {
    *out << mode.name << " at " << mode.rate << "/s";
}

class ProfilePeerTest : public testing::TestWithParam<Mode> {
protected:
    TempHome home;
};

TEST_P(ProfilePeerTest, WritesKeepTheFileWholeAndUndoAlmostNothing) {
    const std::string ini = (home.root() / "Corvane.ini").string();
    testing_support::writeFile(ini, megabyteFile());
    VexonSim application({"--rewrite", QString::fromStdString(ini), "--rewrite-mode",
                          GetParam().name, "--rewrite-rate", GetParam().rate});

    std::atomic<bool> stop{false};
    int snapshots = 0, torn = 0, unreadable = 0;
    std::thread reader([&] {
        while (!stop) {
            const auto bytes = platform::file::readFile(ini);
            if (!bytes) {
                ++unreadable;
            } else if (isWhole(*bytes)) {
                ++snapshots;
            } else {
                ++torn;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    int applies = 0, failedWrites = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(4);
    while (std::chrono::steady_clock::now() < end) {
        const std::string value = " " + std::to_string(applies % 60);
        for (const char* key : {"Attenuator", "Attenuator2", "HopFrequency"}) {
            if (!platform::profile::WritePrivateProfileString("DDSB_1", key, value, ini))
                ++failedWrites;
        }
        ++applies;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    stop = true;
    reader.join();
    application.stop();

    const auto totals = QRegularExpression(QStringLiteral("rewrites: (\\d+), undone: (\\d+)"))
                            .match(application.log());
    ASSERT_TRUE(totals.hasMatch()) << application.log().toStdString();
    const long long rewrites = totals.captured(1).toLongLong();
    const long long undone = totals.captured(2).toLongLong();
    std::printf(
        "%s at %s/s: %d Applies (%d of their writes failed); the application rewrote %lld "
        "times, our writes undid %lld (%.2f %%); a reader saw %d whole snapshots, %d torn, %d "
        "unreadable\n",
        GetParam().name, GetParam().rate, applies, failedWrites, rewrites, undone,
        rewrites > 0 ? 100.0 * static_cast<double>(undone) / static_cast<double>(rewrites) : 0.0,
        snapshots, torn, unreadable);
    EXPECT_EQ(torn, 0);
    EXPECT_TRUE(isWhole(testing_support::readFile(ini)));
    EXPECT_GT(rewrites, 10);
    EXPECT_LT(undone * 100, rewrites) << "target: below 1 %";
    EXPECT_LT(failedWrites * 10, applies * 3) << "most writes get through";
}

INSTANTIATE_TEST_SUITE_P(Application, ProfilePeerTest,
                         testing::Values(Mode{"in-place", "5"}, Mode{"rename", "5"}),
                         [](const auto& info) {
                             return std::string(info.param.name) == "rename" ? "ByRename"
                                                                             : "InPlace";
                         });

}  // namespace
