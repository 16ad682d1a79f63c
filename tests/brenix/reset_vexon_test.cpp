#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <filesystem>
#include <optional>

#include "brenix/form1.h"
#include "platform/file/write_file.h"
#include "platform/ui/message_box.h"
#include "tests/support/captured_boxes.h"
#include "tests/support/temp_home.h"
#include "tests/support/vexon_sim.h"

namespace {

namespace automation = platform::automation;
using testing_support::CapturedBoxes;
using testing_support::TempHome;
using testing_support::VexonSim;

QString resetMessage(const QString& number) {
    return "An unexpected error #" + number +
           " was encountered during Vexon Reset\r\n"
           "or while writing the settings to the Corvane.ini config file.\r\n\r\n"
           "Is the Pellix powered on and connected to the computer?";
}

class ResetVexonTest : public testing::Test {
protected:
    void SetUp() override {
        platform::ui::setProgramTitle("Pellix Attenuation & Freq Brenix");
        const auto ini = home.root() / "Corvane.ini";
        testing_support::writeFile(
            ini, "[DDSB_1]\r\nAttenuator=10\r\nAttenuator2=20\r\nHopFrequency=1250.5\r\n");
        home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n\"corvane.ini\"=" +
                           testing_support::regString(ini.string()) + "\n");
        form.Show();
    }

    void apply() { QTest::mouseClick(form.CommandApply, Qt::LeftButton); }

    // The reset box of the last Apply, or nothing when none was shown.
    std::optional<platform::ui::MessageBoxRequest> lastBox() const {
        if (boxes.boxes().empty()) return std::nullopt;
        return boxes.boxes().back();
    }

    TempHome home;
    CapturedBoxes boxes;
    Form1 form;
};

TEST_F(ResetVexonTest, SuccessfulResetShowsNothingAndKeepsTheReference) {
    VexonSim sim;
    apply();
    EXPECT_FALSE(lastBox().has_value());
    EXPECT_EQ(sim.count("Invoke dispid=45 from"), 1);
    EXPECT_EQ(form.VexonApp.owner, sim.owner());
    EXPECT_EQ(form.VexonApp.className, "Lumiq.Application");
}

TEST_F(ResetVexonTest, EveryApplyAttachesAnew) {
    {
        VexonSim first;
        apply();
        apply();
        EXPECT_EQ(first.count("Introspect from"), 2);
        EXPECT_EQ(first.count("Invoke dispid=45"), 2);
        EXPECT_EQ(form.VexonApp.owner, first.owner());
    }
    VexonSim second;
    apply();
    EXPECT_FALSE(lastBox().has_value());
    EXPECT_EQ(second.count("Invoke dispid=45"), 1);
    EXPECT_EQ(form.VexonApp.owner, second.owner());
}

TEST_F(ResetVexonTest, NoRunningApplicationGives429AndKeepsTheOldReference) {
    apply();
    ASSERT_TRUE(lastBox().has_value());
    EXPECT_EQ(lastBox()->text, resetMessage(" 429"));
    EXPECT_EQ(lastBox()->style, 16);
    EXPECT_EQ(lastBox()->caption, "Pellix Attenuation & Frequency Brenix");
    EXPECT_TRUE(form.VexonApp.isEmpty());
    EXPECT_TRUE(form.isVisible());

    QString earlier;
    {
        VexonSim sim;
        apply();
        earlier = sim.owner();
    }
    apply();
    EXPECT_EQ(lastBox()->text, resetMessage(" 429"));
    EXPECT_EQ(form.VexonApp.owner, earlier);
}

TEST_F(ResetVexonTest, EachFailureKindShowsItsNumberAndLeavesTheReferenceAsDue) {
    struct Row {
        const char* option;
        QString number;
        bool referenceReplaced;  // only a failed call keeps the reference just obtained
    } const rows[] = {
        {"--no-interface", "-2147467262", false},
        {"--fail-reset", "-2147352567", true},
        {"--vanish-on-reset", "-2147417848", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.option);
        QString before;
        {
            VexonSim good;
            apply();
            before = form.VexonApp.owner;
            ASSERT_EQ(before, good.owner());
        }
        VexonSim sim({row.option});
        apply();
        ASSERT_TRUE(lastBox().has_value());
        EXPECT_EQ(lastBox()->text, resetMessage(row.number));
        EXPECT_EQ(form.VexonApp.owner, row.referenceReplaced ? sim.owner() : before);
        EXPECT_TRUE(form.isVisible());
    }
}

// The reset must come after the last write: at every write the simulator has seen none.
VexonSim* watchedSim = nullptr;
int resetsSeenAtWrites = 0;
int checkingWrite(platform::file::Step step, std::string_view) {
    if (step == platform::file::Step::Write)
        resetsSeenAtWrites += watchedSim->count("Invoke dispid=45");
    return 0;
}

TEST_F(ResetVexonTest, ResetFollowsTheWrites) {
    VexonSim sim;
    watchedSim = &sim;
    resetsSeenAtWrites = 0;
    platform::file::setStepHook(checkingWrite);
    apply();
    platform::file::setStepHook(nullptr);
    EXPECT_EQ(resetsSeenAtWrites, 0);
    EXPECT_EQ(sim.count("Invoke dispid=45"), 1);
}

}  // namespace
