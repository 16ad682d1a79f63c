#include "platform/automation/automation.h"

#include <gtest/gtest.h>

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

TEST(AutomationTest, MapsTheClassNameToItsObjectPath) {
    EXPECT_EQ(automation::objectPath(ClassName), "/Lumiq/Application");
}

TEST(AutomationTest, NoRunningInstanceCannotBeAttached) {
    automation::ObjectReference object{"untouched", "untouched"};
    EXPECT_EQ(automation::GetActiveObject(ClassName, &object), automation::CannotCreateObject);
    EXPECT_EQ(object.owner, "untouched");
}

TEST(AutomationTest, NoSessionBusCannotBeAttachedAndStartsNone) {
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS");
    const bool hadRuntime = qEnvironmentVariableIsSet("XDG_RUNTIME_DIR");
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
    qputenv("XDG_RUNTIME_DIR", "/nonexistent");
    automation::ObjectReference object;
    const int failure = automation::GetActiveObject(ClassName, &object);
    qputenv("DBUS_SESSION_BUS_ADDRESS", address);
    if (hadRuntime) {
        qputenv("XDG_RUNTIME_DIR", runtime);
    } else {
        qunsetenv("XDG_RUNTIME_DIR");
    }
    EXPECT_EQ(failure, automation::CannotCreateObject);
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
    {
        VexonSim sim({"--no-interface"});
        automation::Dispatch dispatch;
        EXPECT_EQ(attach(&dispatch), automation::NoInterface);
        EXPECT_TRUE(dispatch.isEmpty());
    }
    {
        VexonSim sim({"--fail-reset"});
        automation::Dispatch dispatch;
        ASSERT_EQ(attach(&dispatch), 0);
        EXPECT_EQ(automation::Invoke(dispatch, 45), automation::ExceptionOccurred);
    }
    {
        VexonSim sim({"--vanish-on-reset"});
        automation::Dispatch dispatch;
        ASSERT_EQ(attach(&dispatch), 0);
        EXPECT_EQ(automation::Invoke(dispatch, 45), automation::Disconnected);
        EXPECT_EQ(sim.waitForEnd(), 3);
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
