#include "form1.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <array>

#include "brenix/display_form.h"
#include "brenix/general.h"
#include "brenix/stay_on_top.h"
#include "platform/paths/paths.h"
#include "platform/profile/profile.h"
#include "platform/ui/message_box.h"
#include "platform/ui/runtime_error.h"
#include "platform/ui/window_state.h"
#include "registry/registry_functions.h"

namespace {

const QString VexonPathKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Harvane\\Vexon\\path");
const QString ConfigurationValue = QStringLiteral("corvane.ini");

// The layout is drawn in twips, 15 to the pixel; Qt scales pixels on high-DPI screens.
QRect twips(int left, int top, int width, int height) {
    constexpr int TwipsPerPixel = 15;
    return {left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel,
            height / TwipsPerPixel};
}

QLabel* makeLabel(QWidget* parent, const QString& text, QRect geometry, Qt::Alignment alignment) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setAlignment(alignment | Qt::AlignTop);
    return label;
}

QLineEdit* makeBox(QWidget* parent, QRect geometry) {
    auto* box = new QLineEdit(QStringLiteral("0.0"), parent);
    box->setGeometry(geometry);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

// Screen readers are to hear a dialog with its title; a plain top-level widget is a
// "filler" to them, and a QDialog would centre itself and grow a default button.
QAccessibleInterface* dialogRoleForForm1(const QString& className, QObject* object) {
    if (className != QLatin1String("Form1") || !object->isWidgetType()) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Dialog);
}

// The labels keep their look inside a disabled frame; only the frame and its boxes
// turn grey. Disabled with the frame, they stay inert.
void keepLookWhenDisabled(QLabel* label) {
    QPalette palette = label->palette();
    for (const auto role : {QPalette::WindowText, QPalette::Text})
        palette.setColor(QPalette::Disabled, role, palette.color(QPalette::Active, role));
    label->setPalette(palette);
}

QPushButton* makeButton(QWidget* parent, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(geometry);
    // Neither button is the default: Enter clicks nothing.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

Form1::Form1(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    static const bool accessibleAsDialog = (QAccessible::installFactory(dialogRoleForForm1), true);
    Q_UNUSED(accessibleAsDialog);
    setWindowTitle(QStringLiteral("Attenuation & Frequency Brenix"));
    setWindowIcon(QIcon(QStringLiteral(":/brenix/brenix.png")));
    setFixedSize(twips(0, 0, 4845, 3330).size());
    // The layout was drawn for an 8-point font; a larger default would clip the labels.
    QFont smaller = font();
    smaller.setPointSize(8);
    setFont(smaller);

    Frame1 = new QGroupBox(QStringLiteral("AHOP (Attenuation)"), this);
    Frame1->setGeometry(twips(120, 120, 3135, 1260));
    Frame1->setToolTip(QStringLiteral("Attenuation hop settings:  0 - 60 dB in 0.5 dB steps"));
    Label3 =
        makeLabel(Frame1, QStringLiteral("Low State"), twips(240, 360, 855, 255), Qt::AlignRight);
    AHOP_low = makeBox(Frame1, twips(1200, 240, 1095, 375));
    Label1 = makeLabel(Frame1, QStringLiteral("dB"), twips(2400, 360, 255, 255), Qt::AlignLeft);
    Label4 =
        makeLabel(Frame1, QStringLiteral("High State"), twips(240, 720, 855, 255), Qt::AlignRight);
    AHOP_high = makeBox(Frame1, twips(1200, 720, 1095, 375));
    Label2 = makeLabel(Frame1, QStringLiteral("dB"), twips(2400, 840, 255, 255), Qt::AlignHCenter);
    for (QLabel* label : {Label3, Label1, Label4, Label2}) keepLookWhenDisabled(label);

    Frame2 = new QGroupBox(QStringLiteral("FHOP (TX Frequency)"), this);
    Frame2->setGeometry(twips(120, 1560, 3135, 1575));
    Frame2->setToolTip(QStringLiteral(
        "Transmitter frequency hop settings:  relative to F1 frequency with 0.1 Hz resolution"));
    Label7 =
        makeLabel(Frame2, QStringLiteral("Low State"), twips(120, 480, 855, 255), Qt::AlignRight);
    Text4 = makeBox(Frame2, twips(1080, 360, 1215, 375));
    Text4->setEnabled(false);
    Label6 = makeLabel(Frame2, QStringLiteral("Hz"), twips(2400, 480, 255, 255), Qt::AlignLeft);
    Label8 =
        makeLabel(Frame2, QStringLiteral("High State"), twips(120, 960, 855, 255), Qt::AlignRight);
    FHOP_high = makeBox(Frame2, twips(1080, 840, 1215, 405));
    Label5 = makeLabel(Frame2, QStringLiteral("Hz"), twips(2400, 960, 375, 255), Qt::AlignLeft);

    CommandApply = makeButton(this, QStringLiteral("&Apply"), twips(3480, 2160, 1215, 375));
    cmdClose = makeButton(this, QStringLiteral("&Cancel"), twips(3480, 2760, 1215, 375));

    // A box is known by its frame and its label, to screen readers and in messages.
    const std::pair<QLineEdit*, std::pair<QGroupBox*, QLabel*>> boxLabels[] = {
        {AHOP_low, {Frame1, Label3}},
        {AHOP_high, {Frame1, Label4}},
        {Text4, {Frame2, Label7}},
        {FHOP_high, {Frame2, Label8}},
    };
    for (const auto& [box, where] : boxLabels) {
        where.second->setBuddy(box);
        box->setAccessibleName(where.first->title() + QLatin1Char(' ') + where.second->text());
    }

    // Frames and labels take no focus, so the chain holds only what Tab can visit.
    setTabOrder(cmdClose, AHOP_low);
    setTabOrder(AHOP_low, AHOP_high);
    setTabOrder(AHOP_high, FHOP_high);
    setTabOrder(FHOP_high, Text4);
    setTabOrder(Text4, CommandApply);
    cmdClose->setFocus();

    // A failure that escapes a handler ends the program with the run-time error report.
    connect(CommandApply, &QPushButton::clicked, this,
            [this] { platform::ui::runHandler([this] { CommandApply_Click(); }); });
    connect(cmdClose, &QPushButton::clicked, this,
            [this] { platform::ui::runHandler([this] { cmdClose_Click(); }); });
    // cmdClose is the cancel button: Esc clicks it.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, cmdClose, &QPushButton::click);
}

void Form1::Show() {
    if (!loaded_) {
        Form_Load();
        loaded_ = true;
    }
    show();
}

void Form1::Form_Load() {
    stay_on_top::MakeTopmost(winId(), true);
    platform::ui::keepOffTaskBar(winId());
    // The lookup speaks wide strings, as the original's texts were.
    std::wstring path = VexonPathKey.toStdWString();
    INIFilePath = QString::fromStdWString(RegistryFunctions::AsText(
        RegistryFunctions::ReadRegistryString(path, ConfigurationValue.toStdWString())));
    GetINIFileSettings();
    getRegSettings();
}

void Form1::GetINIFileSettings() {
    std::array<char, 255> buffer;
    buffer.fill(' ');
    DDSB1Present = false;
    if (platform::profile::GetPrivateProfileSection("DDSB_1", buffer.data(), buffer.size(),
                                                    INIFilePath.toUtf8().toStdString()) > 0) {
        DDSB1Present = true;
    }
}

void Form1::getRegSettings() {
    if (DDSB1Present) {
        const QString low = General::GetINIString("DDSB_1", "Attenuator", INIFilePath);
        const QString high = General::GetINIString("DDSB_1", "Attenuator2", INIFilePath);
        const QString hop = General::GetINIString("DDSB_1", "HopFrequency", INIFilePath);
        AHOP_low->setText(displayFormOrFail("DDSB_1", "Attenuator", low));
        AHOP_high->setText(displayFormOrFail("DDSB_1", "Attenuator2", high));
        FHOP_high->setText(displayFormOrFail("DDSB_1", "HopFrequency", hop));
    } else {
        const QString low = General::GetINIString("DDS_1A", "Attenuator", INIFilePath);
        const QString hop = General::GetINIString("DDS_1A", "HopFrequency", INIFilePath);
        AHOP_low->setText(displayFormOrFail("DDS_1A", "Attenuator", low));
        FHOP_high->setText(displayFormOrFail("DDS_1A", "HopFrequency", hop));
        Frame1->setEnabled(false);
        AHOP_low->setEnabled(false);
        AHOP_high->setEnabled(false);
    }
}

// The report must let a reader see what to fix: which entry of which file held what.
QString Form1::displayFormOrFail(const QString& section, const QString& key,
                                 const QString& value) const {
    if (auto shown = DisplayForm(value)) return *shown;

    const QString localPath = QString::fromStdString(platform::paths::toLocalPath(
        INIFilePath.toStdString(), platform::paths::BareName::InWindowsFolder));
    QString file = QStringLiteral("\"%1\"").arg(INIFilePath);
    if (localPath != INIFilePath && !localPath.isEmpty())
        file += QStringLiteral(" (%1)").arg(localPath);
    const QString entry = QStringLiteral("The entry \"%1\" in section [%2]").arg(key, section);

    QString detail;
    if (!QFileInfo::exists(localPath)) {
        detail = QStringLiteral("The configuration file %1 does not exist, so %2 has no value.")
                     .arg(file, entry.at(0).toLower() + entry.mid(1));
    } else if (General::IsNoValue(value)) {
        detail =
            QStringLiteral("%1 of the file %2 is missing or has an empty value.").arg(entry, file);
    } else {
        detail = QStringLiteral("%1 of the file %2 holds \"%3\", which is not a number.")
                     .arg(entry, file, value);
    }
    if (INIFilePath.isEmpty() || INIFilePath == QLatin1String("Error")) {
        detail += QStringLiteral(
                      "\n\nThe file name comes from the registry value \"%1\" under %2, "
                      "which could not be read.")
                      .arg(ConfigurationValue, VexonPathKey);
    }
    throw platform::ui::RuntimeError{13, QStringLiteral("Type mismatch"), detail};
}

void Form1::CommandApply_Click() { WriteINIFileSettings(); }

void Form1::cmdClose_Click() { close(); }

// The window's close button and the system's close command unload the dialog too.
void Form1::closeEvent(QCloseEvent* event) {
    event->accept();
    emit unloaded();
}

void Form1::WriteINIFileSettings() {
    struct Entry {
        QLineEdit* box;
        const char* section;
        const char* key;
    };
    const std::vector<Entry> entries =
        DDSB1Present ? std::vector<Entry>{{AHOP_low, "DDSB_1", "Attenuator"},
                                          {AHOP_high, "DDSB_1", "Attenuator2"},
                                          {FHOP_high, "DDSB_1", "HopFrequency"}}
                     : std::vector<Entry>{{FHOP_high, "DDS_1A", "HopFrequency"}};

    // The program could not read back a value that is no number at its next start, so
    // nothing is written while any box holds one.
    for (const auto& entry : entries) {
        if (!DisplayForm(entry.box->text())) {
            platform::ui::showMessageBox(
                QStringLiteral("The %1 box holds \"%2\", which is not a number.\n\n"
                               "Nothing was written to Corvane.ini.")
                    .arg(entry.box->accessibleName(), entry.box->text()),
                platform::ui::MessageExclamation);
            return;
        }
    }
    const std::string file = INIFilePath.toUtf8().toStdString();
    for (const auto& entry : entries) {
        if (!platform::profile::WritePrivateProfileString(
                entry.section, entry.key, entry.box->text().toUtf8().toStdString(), file)) {
            platform::ui::showMessageBox(QStringLiteral("Error writing to Corvane.ini file"),
                                         platform::ui::MessageExclamation,
                                         QStringLiteral("File Error"));
            return;
        }
    }
    ResetVexon();
}

void Form1::ResetVexon() {
    namespace automation = platform::automation;
    constexpr int ResetDispatchId = 45;
    automation::ObjectReference application;
    int failure = automation::GetActiveObject(QStringLiteral("Lumiq.Application"), &application);
    if (failure == 0) {
        automation::Dispatch dispatch;
        failure = automation::QueryDispatch(application, &dispatch);
        if (failure == 0) {
            VexonApp = dispatch;
            failure = automation::Invoke(VexonApp, ResetDispatchId);
        }
    }
    if (failure == 0) return;

    // The number stands as Str() gives it: a blank before a number that is not negative.
    const QString number =
        (failure >= 0 ? QStringLiteral(" ") : QString()) + QString::number(failure);
    platform::ui::showMessageBox(
        QStringLiteral("An unexpected error #") + number +
            QStringLiteral(" was encountered during Vexon Reset\r\n"
                           "or while writing the settings to the Corvane.ini config file.\r\n\r\n"
                           "Is the Pellix powered on and connected to the computer?"),
        platform::ui::MessageCritical, QStringLiteral("Pellix Attenuation & Frequency Brenix"));
}
