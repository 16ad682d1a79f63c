#include "platform/automation/automation.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/vexon_sim.h"

namespace {

namespace automation = platform::automation;
using testing_support::VexonSim;

const QString ClassName = QStringLiteral("Lumiq.Application");

// Attaches and requests the interface; 0 or the failure number of the first failing step.
int attach(automation::Dispatch* dispatch) {
    automation::ObjectReference object;
    if (const int failure = automation::GetActiveObject(ClassName, &object)) return failure;
    return automation::QueryDispatch(object, dispatch);
}

TEST(AutomationTest, NoRunningInstanceCannotBeAttached) {
    automation::ObjectReference object{"untouched", "untouched"};
    EXPECT_EQ(automation::GetActiveObject(ClassName, &object), automation::CannotCreateObject);
    EXPECT_EQ(object.owner, "untouched");
}

// The bus processes on the machine: a bus that connecting autolaunched would show here.
int busProcesses() {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && (name == "dbus-daemon" || name == "dbus-launch")) ++count;
    }
    return count;
}

// Autolaunching needs a display and dbus-launch, and the process's session connection
// must not be made yet: automation_autolaunch_test runs this alone on a private Xvfb.
TEST(AutomationTest, NoSessionBusOrAnAutolaunchedOneIsNotStarted) {
    if (qEnvironmentVariableIsEmpty("DISPLAY") ||
        QStandardPaths::findExecutable(QStringLiteral("dbus-launch")).isEmpty()) {
        GTEST_SKIP() << "run by automation_autolaunch_test, with a display and dbus-launch";
    }
    qputenv("XDG_RUNTIME_DIR", "/nonexistent");
    const int before = busProcesses();
    for (const char* noBus : {"", "autolaunch:", "unix:path=/nonexistent/bus;autolaunch:"}) {
        SCOPED_TRACE(noBus);
        qputenv("DBUS_SESSION_BUS_ADDRESS", noBus);
        automation::ObjectReference object;
        EXPECT_EQ(automation::GetActiveObject(ClassName, &object), automation::CannotCreateObject);
    }
    EXPECT_EQ(busProcesses(), before) << "a bus was started";
}

TEST(AutomationTest, AttachesToTheOwnerAndInvokesByDispatchId) {
    VexonSim sim;
    automation::Dispatch dispatch;
    ASSERT_EQ(attach(&dispatch), 0);
    EXPECT_EQ(dispatch.owner, sim.owner());
    EXPECT_EQ(automation::Invoke(dispatch, 45), 0);
    EXPECT_EQ(automation::Invoke(dispatch, 7), automation::MemberNotFound);
    EXPECT_EQ(sim.count("Introspect from"), 1);
    EXPECT_EQ(sim.count("Invoke dispid=45"), 1);
    EXPECT_EQ(sim.count("Invoke dispid=7"), 1);
}

TEST(AutomationTest, EachFailureGivesItsNumber) {
    struct Row {
        const char* option;
        int attached;             // the interface request's result
        int invoked;              // the reset's result, once attached
        int simulatorStatus = 0;  // how the simulator ended
    } const rows[] = {
        {"--no-interface", automation::NoInterface, 0},
        {"--fail-reset", 0, automation::ExceptionOccurred},
        {"--vanish-on-reset", 0, automation::Disconnected, 3},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        VexonSim sim({row.option});
        automation::Dispatch dispatch;
        ASSERT_EQ(attach(&dispatch), row.attached);
        EXPECT_EQ(dispatch.isEmpty(), row.attached != 0);
        if (row.attached != 0) continue;
        EXPECT_EQ(automation::Invoke(dispatch, 45), row.invoked);
        if (row.simulatorStatus != 0) {
            EXPECT_EQ(sim.waitForEnd(), row.simulatorStatus);
        }
    }
}

TEST(AutomationTest, ReferenceIsBoundToTheOwnerThatWasAttached) {
    automation::ObjectReference object;
    automation::Dispatch dispatch;
    {
        VexonSim first;
        ASSERT_EQ(automation::GetActiveObject(ClassName, &object), 0);
        ASSERT_EQ(automation::QueryDispatch(object, &dispatch), 0);
    }
    VexonSim second;
    EXPECT_NE(second.owner(), dispatch.owner);
    EXPECT_EQ(automation::QueryDispatch(object, &dispatch), automation::Disconnected);
    EXPECT_EQ(automation::Invoke(dispatch, 45), automation::Disconnected);
    EXPECT_EQ(second.count("Invoke"), 0);
}

TEST(AutomationTest, SimulatorEndsCleanlyOnSigterm) {
    VexonSim sim;
    EXPECT_EQ(sim.stop(), 0);
    EXPECT_EQ(sim.count("stopped"), 1);
}

}  // namespace
