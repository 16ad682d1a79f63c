#include "brenix/form1.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <filesystem>
#include <vector>

#include "brenix/general.h"
#include "platform/file/write_file.h"
#include "platform/ui/message_box.h"
#include "platform/ui/runtime_error.h"
#include "tests/support/captured_boxes.h"
#include "tests/support/temp_home.h"
#include "tests/support/vexon_sim.h"

namespace {

namespace fs = std::filesystem;
using platform::ui::RuntimeError;
using testing_support::CapturedBoxes;
using testing_support::readFile;
using testing_support::TempHome;
using testing_support::writeFile;

const std::string DdsbFile =
    "[General]\r\nName=demo\r\n\r\n[DDSB_1]\r\nAttenuator=10\r\nAttenuator2=20.5\r\n"
    "HopFrequency=1250.5\r\n\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n";
const std::string Dds1aFile = "[DDSB_1]\r\n\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n";

class Form1Test : public testing::Test {
protected:
    void SetUp() override { platform::ui::setProgramTitle("Pellix Attenuation & Freq Brenix"); }

    fs::path iniPath() const { return home.root() / "lumiq" / "Corvane.ini"; }

    // A registry whose "corvane.ini" value names `iniText` (default: iniPath()).
    void registerIni(const std::string& iniText = {}) const {
        home.writeRegistry(
            "[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n\"corvane.ini\"=" +
            testing_support::regString(iniText.empty() ? iniPath().string() : iniText) + "\n");
    }

    // Loads and shows a dialog over `ini` as the configuration file.
    std::unique_ptr<Form1> open(const std::string& ini) {
        writeFile(iniPath(), ini);
        registerIni();
        auto form = std::make_unique<Form1>();
        form->Show();
        return form;
    }

    // What Show() reports when loading fails, or nothing.
    std::optional<RuntimeError> loadFailure() {
        Form1 form;
        try {
            form.Show();
        } catch (const RuntimeError& error) {
            EXPECT_FALSE(form.isVisible());
            return error;
        }
        return std::nullopt;
    }

    std::vector<QWidget*> tabChain(Form1& form) {
        std::vector<QWidget*> visited;
        QApplication::setActiveWindow(&form);
        form.cmdClose->setFocus();
        for (int i = 0; i < 6; ++i) {
            visited.push_back(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        return visited;
    }

    TempHome home;
    CapturedBoxes boxes;
};

TEST_F(Form1Test, WindowIsAFixedTopmostToolWindow) {
    auto form = open(DdsbFile);
    EXPECT_EQ(form->windowTitle(), "Attenuation & Frequency Brenix");
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->size(), QSize(323, 222));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, ControlsStandWhereTheLayoutPutsThem) {
    auto form = open(DdsbFile);
    struct Row {
        const char* name;
        QWidget* widget;
        QRect geometry;
        QString text;
        Qt::Alignment alignment;
    } const rows[] = {
        {"Frame1", form->Frame1, {8, 8, 209, 84}, "AHOP (Attenuation)", {}},
        {"Label3", form->Label3, {16, 24, 57, 17}, "Low State", Qt::AlignRight},
        {"AHOP_low", form->AHOP_low, {80, 16, 73, 25}, " 10", Qt::AlignHCenter},
        {"Label1", form->Label1, {160, 24, 17, 17}, "dB", Qt::AlignLeft},
        {"Label4", form->Label4, {16, 48, 57, 17}, "High State", Qt::AlignRight},
        {"AHOP_high", form->AHOP_high, {80, 48, 73, 25}, " 20.5", Qt::AlignHCenter},
        {"Label2", form->Label2, {160, 56, 17, 17}, "dB", Qt::AlignHCenter},
        {"Frame2", form->Frame2, {8, 104, 209, 105}, "FHOP (TX Frequency)", {}},
        {"Label7", form->Label7, {8, 32, 57, 17}, "Low State", Qt::AlignRight},
        {"Text4", form->Text4, {72, 24, 81, 25}, "0.0", Qt::AlignHCenter},
        {"Label6", form->Label6, {160, 32, 17, 17}, "Hz", Qt::AlignLeft},
        {"Label8", form->Label8, {8, 64, 57, 17}, "High State", Qt::AlignRight},
        {"FHOP_high", form->FHOP_high, {72, 56, 81, 27}, " 1250.5", Qt::AlignHCenter},
        {"Label5", form->Label5, {160, 64, 25, 17}, "Hz", Qt::AlignLeft},
        {"CommandApply", form->CommandApply, {232, 144, 81, 25}, "&Apply", {}},
        {"cmdClose", form->cmdClose, {232, 184, 81, 25}, "&Cancel", {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.widget->geometry(), row.geometry);
        QString text;
        Qt::Alignment alignment;
        if (auto* label = qobject_cast<QLabel*>(row.widget)) {
            text = label->text();
            alignment = label->alignment() & Qt::AlignHorizontal_Mask;
        } else if (auto* box = qobject_cast<QLineEdit*>(row.widget)) {
            text = box->text();
            alignment = box->alignment() & Qt::AlignHorizontal_Mask;
        } else if (auto* button = qobject_cast<QPushButton*>(row.widget)) {
            text = button->text();
            EXPECT_FALSE(button->isDefault());
            EXPECT_FALSE(button->autoDefault());
        } else if (auto* frame = qobject_cast<QGroupBox*>(row.widget)) {
            text = frame->title();
        }
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(alignment, row.alignment);
    }
    EXPECT_EQ(form->Text4->accessibleName(), "FHOP (TX Frequency) Low State");
    EXPECT_EQ(form->Label8->buddy(), form->FHOP_high);
    EXPECT_EQ(form->Frame1->toolTip(), "Attenuation hop settings:  0 - 60 dB in 0.5 dB steps");
    EXPECT_EQ(
        form->Frame2->toolTip(),
        "Transmitter frequency hop settings:  relative to F1 frequency with 0.1 Hz resolution");
}

TEST_F(Form1Test, DdsbLayoutShowsAndEnablesAllThreeValues) {
    auto form = open(DdsbFile);
    EXPECT_TRUE(DDSB1Present);
    for (QWidget* enabled :
         {static_cast<QWidget*>(form->Frame1), static_cast<QWidget*>(form->AHOP_low),
          static_cast<QWidget*>(form->AHOP_high), static_cast<QWidget*>(form->FHOP_high)}) {
        EXPECT_TRUE(enabled->isEnabled()) << enabled->objectName().toStdString();
    }
    EXPECT_FALSE(form->Text4->isEnabled());
    EXPECT_EQ(form->focusWidget(), form->cmdClose);
    const std::vector<QWidget*> expected = {form->cmdClose,  form->AHOP_low,     form->AHOP_high,
                                            form->FHOP_high, form->CommandApply, form->cmdClose};
    EXPECT_EQ(tabChain(*form), expected);
}

TEST_F(Form1Test, Dds1aLayoutShowsTheAttenuationDisabled) {
    auto form = open(Dds1aFile);
    EXPECT_FALSE(DDSB1Present);
    EXPECT_EQ(form->AHOP_low->text(), " 30");
    EXPECT_EQ(form->AHOP_high->text(), "0.0");
    EXPECT_EQ(form->FHOP_high->text(), " 0");
    EXPECT_EQ(form->Text4->text(), "0.0");
    EXPECT_FALSE(form->Frame1->isEnabled());
    EXPECT_FALSE(form->AHOP_low->isEnabled());
    EXPECT_FALSE(form->AHOP_high->isEnabled());
    EXPECT_TRUE(form->FHOP_high->isEnabled());
    const std::vector<QWidget*> expected = {form->cmdClose, form->FHOP_high, form->CommandApply,
                                            form->cmdClose, form->FHOP_high, form->CommandApply};
    EXPECT_EQ(tabChain(*form), expected);

    // Frame1's labels stay inert with their frame, but keep the look they have in the
    // DDSB_1 layout: they are not greyed out.
    std::vector<QImage> looks;
    for (QLabel* label : {form->Label3, form->Label1, form->Label4, form->Label2}) {
        EXPECT_FALSE(label->isEnabled());
        looks.push_back(label->grab().toImage());
    }
    form.reset();
    const auto enabled = open(DdsbFile);
    QLabel* labels[] = {enabled->Label3, enabled->Label1, enabled->Label4, enabled->Label2};
    for (std::size_t i = 0; i < looks.size(); ++i) {
        EXPECT_EQ(labels[i]->grab().toImage(), looks[i]) << labels[i]->text().toStdString();
    }
}

TEST_F(Form1Test, ScreenReadersHearADialogWithItsTitleAndNamedBoxes) {
    const auto form = open(DdsbFile);
    QAccessibleInterface* dialog = QAccessible::queryAccessibleInterface(form.get());
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->role(), QAccessible::Dialog);
    EXPECT_EQ(dialog->text(QAccessible::Name), "Attenuation & Frequency Brenix");
    QAccessibleInterface* box = QAccessible::queryAccessibleInterface(form->AHOP_high);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->role(), QAccessible::EditableText);
    EXPECT_EQ(box->text(QAccessible::Name), "AHOP (Attenuation) High State");
}

// Running out of memory in the middle of Apply ends in the run-time error report, as a
// failure at load does, and the file keeps its bytes.
TEST_F(Form1Test, AFailureThatEscapesApplyEndsInTheRunTimeErrorReport) {
    const auto form = open(DdsbFile);
    form->AHOP_low->setText("11");
    platform::file::setStepHook([](platform::file::Step step, std::string_view) -> int {
        if (step == platform::file::Step::Write) throw std::bad_alloc();
        return 0;
    });
    QTest::mouseClick(form->CommandApply, Qt::LeftButton);
    platform::file::setStepHook(nullptr);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Run-time error '7':\n\nOut of memory");
    EXPECT_EQ(boxes.boxes()[0].style, 16);
    EXPECT_EQ(boxes.boxes()[0].caption, "Pellix Attenuation & Freq Brenix");
    EXPECT_EQ(readFile(iniPath()), DdsbFile);
}

TEST_F(Form1Test, LayoutFollowsWhetherDdsbHoldsAnyEntry) {
    std::string big = "[DDSB_1]\r\nAttenuator=1\r\nAttenuator2=2\r\nHopFrequency=3\r\n";
    for (int i = 0; i < 30; ++i) big += "Filler" + std::to_string(i) + "=some more text\r\n";
    struct Row {
        const char* name;
        std::string file;
        bool ddsb;
    } const rows[] = {
        {"both sections", DdsbFile, true},
        {"header only", Dds1aFile, false},
        {"comments only",
         "[DDSB_1]\r\n; nothing\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n", false},
        {"larger than the buffer", big + "[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n", true},
    };
    registerIni();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(iniPath(), row.file);
        Form1 form;
        form.INIFilePath = QString::fromStdString(iniPath().string());
        form.GetINIFileSettings();
        EXPECT_EQ(DDSB1Present, row.ddsb);
    }
}

// Every write leaves the whole file behind; the seam records each version.
std::vector<std::string>* recordedWrites = nullptr;
int recordingWrite(platform::file::Step step, std::string_view bytes) {
    if (step == platform::file::Step::Write) recordedWrites->emplace_back(bytes);
    return 0;
}

TEST_F(Form1Test, ApplyWritesTheBoxesInOrderAsTyped) {
    testing_support::VexonSim sim;
    auto form = open(DdsbFile);
    form->AHOP_high->setText("25");
    std::vector<std::string> writes;
    recordedWrites = &writes;
    platform::file::setStepHook(recordingWrite);
    QTest::mouseClick(form->CommandApply, Qt::LeftButton);
    platform::file::setStepHook(nullptr);

    const std::string afterFirst =
        "[General]\r\nName=demo\r\n\r\n[DDSB_1]\r\nAttenuator= 10\r\nAttenuator2=20.5\r\n"
        "HopFrequency=1250.5\r\n\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n";
    const std::string afterSecond =
        "[General]\r\nName=demo\r\n\r\n[DDSB_1]\r\nAttenuator= 10\r\nAttenuator2=25\r\n"
        "HopFrequency=1250.5\r\n\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n";
    const std::string afterThird =
        "[General]\r\nName=demo\r\n\r\n[DDSB_1]\r\nAttenuator= 10\r\nAttenuator2=25\r\n"
        "HopFrequency= 1250.5\r\n\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=0\r\n";
    EXPECT_EQ(writes, (std::vector<std::string>{afterFirst, afterSecond, afterThird}));
    EXPECT_EQ(readFile(iniPath()), afterThird);
    EXPECT_TRUE(boxes.boxes().empty());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->AHOP_high->text(), "25");
    EXPECT_EQ(sim.count("Invoke dispid=45"), 1);
}

TEST_F(Form1Test, Dds1aApplyWritesOnlyTheFrequencyHop) {
    auto form = open(Dds1aFile);
    form->FHOP_high->setText(" 12.5");
    QTest::mouseClick(form->CommandApply, Qt::LeftButton);
    EXPECT_EQ(readFile(iniPath()),
              "[DDSB_1]\r\n\r\n[DDS_1A]\r\nAttenuator=30\r\nHopFrequency= 12.5\r\n");
}

TEST_F(Form1Test, ApplyRefusesABoxThatHoldsNoNumber) {
    auto form = open(DdsbFile);
    struct Row {
        QLineEdit* box;
        const char* text;
        const char* message;
    } const rows[] = {
        {form->AHOP_low, "",
         "The AHOP (Attenuation) Low State box holds \"\", which is not a number."},
        {form->AHOP_high, "abc",
         "The AHOP (Attenuation) High State box holds \"abc\", which is not a number."},
        {form->FHOP_high, "12,5",
         "The FHOP (TX Frequency) High State box holds \"12,5\", which is not a number."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        const QString before = row.box->text();
        row.box->setText(row.text);
        QTest::mouseClick(form->CommandApply, Qt::LeftButton);
        ASSERT_FALSE(boxes.boxes().empty());
        EXPECT_EQ(boxes.boxes().back().text,
                  QString(row.message) + "\n\nNothing was written to Corvane.ini.");
        EXPECT_EQ(boxes.boxes().back().style, 48);
        EXPECT_EQ(boxes.boxes().back().caption, "Pellix Attenuation & Freq Brenix");
        EXPECT_EQ(readFile(iniPath()), DdsbFile);
        row.box->setText(before);
    }
}

TEST_F(Form1Test, RefusedWriteShowsTheFileErrorAndStops) {
    testing_support::VexonSim sim;
    auto form = open(DdsbFile);
    fs::permissions(iniPath(), fs::perms::owner_read);
    QTest::mouseClick(form->CommandApply, Qt::LeftButton);
    fs::permissions(iniPath(), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Error writing to Corvane.ini file");
    EXPECT_EQ(boxes.boxes()[0].caption, "File Error");
    EXPECT_EQ(boxes.boxes()[0].style, 48);
    EXPECT_EQ(readFile(iniPath()), DdsbFile);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(sim.count("Invoke"), 0) << "no reset after a failed write";
}

int writesAllowed = 0;
int failingAfterFirst(platform::file::Step step, std::string_view) {
    if (step != platform::file::Step::Write || writesAllowed-- > 0) return 0;
    return ENOSPC;
}

TEST_F(Form1Test, EntriesWrittenBeforeAFailureStay) {
    auto form = open(DdsbFile);
    form->AHOP_low->setText("11");
    form->AHOP_high->setText("22");
    writesAllowed = 1;
    platform::file::setStepHook(failingAfterFirst);
    QTest::mouseClick(form->CommandApply, Qt::LeftButton);
    platform::file::setStepHook(nullptr);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Error writing to Corvane.ini file");
    const std::string content = readFile(iniPath());
    EXPECT_NE(content.find("Attenuator=11\r\n"), std::string::npos);
    EXPECT_NE(content.find("Attenuator2=20.5\r\n"), std::string::npos);
}

TEST_F(Form1Test, EveryWayOutUnloadsWithoutWriting) {
    struct Way {
        const char* name;
        std::function<void(Form1&)> leave;
    } const ways[] = {
        {"Cancel button", [](Form1& f) { QTest::mouseClick(f.cmdClose, Qt::LeftButton); }},
        {"Esc", [](Form1& f) { QTest::keyClick(f.AHOP_low, Qt::Key_Escape); }},
        {"Alt+C", [](Form1& f) { QTest::keyClick(f.AHOP_low, Qt::Key_C, Qt::AltModifier); }},
        // As the window system delivers the close button: a close event to the window.
        {"close button",
         [](Form1& f) {
             QCloseEvent close;
             QCoreApplication::sendEvent(f.windowHandle(), &close);
         }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.name);
        auto form = open(DdsbFile);
        QApplication::setActiveWindow(form.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        QSignalSpy unloaded(form.get(), &Form1::unloaded);
        form->AHOP_low->setText("55");
        way.leave(*form);
        EXPECT_TRUE(QTest::qWaitFor([&] { return unloaded.count() == 1; }, 2000));
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(readFile(iniPath()), DdsbFile);
    }
}

TEST_F(Form1Test, AltAAppliesAndEnterClicksNothing) {
    auto form = open(DdsbFile);
    QApplication::setActiveWindow(form.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QSignalSpy unloaded(form.get(), &Form1::unloaded);

    QTest::keyClick(form->cmdClose, Qt::Key_Return);
    QTest::keyClick(form->AHOP_low, Qt::Key_Enter);
    QTest::qWait(200);
    EXPECT_EQ(unloaded.count(), 0);
    EXPECT_EQ(readFile(iniPath()), DdsbFile);

    form->AHOP_low->setText("12");
    QTest::keyClick(form->AHOP_low, Qt::Key_A, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return readFile(iniPath()).find("Attenuator=12\r\n") != std::string::npos; }, 2000));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(Form1Test, ValueThatIsNoNumberStopsTheLoad) {
    const std::string file = iniPath().string();
    struct Row {
        const char* name;
        std::optional<std::string> ini;  // nothing: no file
        std::string detail;
    } const rows[] = {
        {"missing key", "[DDSB_1]\r\nAttenuator=10\r\nHopFrequency=1\r\n",
         "The entry \"Attenuator2\" in section [DDSB_1] of the file \"" + file +
             "\" is missing or has an empty value."},
        {"empty value", "[DDS_1A]\r\nAttenuator=30\r\nHopFrequency=\r\n",
         "The entry \"HopFrequency\" in section [DDS_1A] of the file \"" + file +
             "\" is missing or has an empty value."},
        {"not a number", "[DDSB_1]\r\nAttenuator=abc\r\nAttenuator2=1\r\nHopFrequency=1\r\n",
         "The entry \"Attenuator\" in section [DDSB_1] of the file \"" + file +
             "\" holds \"abc\", which is not a number."},
        {"some other entry only", "[DDSB_1]\r\nOther=1\r\n",
         "The entry \"Attenuator\" in section [DDSB_1] of the file \"" + file +
             "\" is missing or has an empty value."},
        {"missing file", std::nullopt,
         "The configuration file \"" + file +
             "\" does not exist, so the entry \"Attenuator\" in section [DDS_1A] has no value."},
    };
    registerIni();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(iniPath());
        if (row.ini) writeFile(iniPath(), *row.ini);
        const auto failure = loadFailure();
        ASSERT_TRUE(failure.has_value());
        EXPECT_EQ(failure->number, 13);
        EXPECT_EQ(failure->description, "Type mismatch");
        EXPECT_EQ(failure->detail, QString::fromStdString(row.detail));
        EXPECT_EQ(readFile(iniPath()), row.ini.value_or(""));
    }
}

TEST_F(Form1Test, UnreadableRegistryValueIsNamedInTheReport) {
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n");
    const auto failure = loadFailure();
    ASSERT_TRUE(failure.has_value());
    const QString errorFile = QString::fromStdString((home.windowsFolder() / "Error").string());
    EXPECT_EQ(
        failure->detail,
        "The configuration file \"Error\" (" + errorFile +
            ") does not exist, so the entry \"Attenuator\" in section [DDS_1A] has no value.\n\n"
            "The file name comes from the registry value \"corvane.ini\" under "
            "HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path, which could not be read.");
}

TEST_F(Form1Test, FileNamedErrorInTheWindowsFolderIsUsed) {
    home.writeRegistry("[HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path]\n");
    writeFile(home.windowsFolder() / "Error", Dds1aFile);
    Form1 form;
    form.Show();
    EXPECT_EQ(form.INIFilePath, "Error");
    EXPECT_EQ(form.AHOP_low->text(), " 30");
}

TEST_F(Form1Test, RuntimeErrorReportNamesNumberAndDescription) {
    platform::ui::reportRuntimeError({13, "Type mismatch", "What held what."});
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_EQ(boxes.boxes()[0].text, "Run-time error '13':\n\nType mismatch\n\nWhat held what.");
}

}  // namespace
