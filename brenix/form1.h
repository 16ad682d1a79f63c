// The hop settings dialog: a fixed tool window, a form of its own rather than a
// QDialog, which would centre itself and grow a default button.
#pragma once

#include <QString>
#include <QWidget>

#include "platform/automation/automation.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(QWidget* parent = nullptr);

    // The form's Show method: loads the dialog on its first call (Form_Load), then shows
    // it modeless. QWidget::show only shows; this is
    // the entry point of the program. Throws platform::ui::RuntimeError (or what else
    // escapes the load) when loading fails; the dialog then stays hidden.
    void Show();

    // Fills the boxes from the configuration file in its current layout and, in the
    // DDS_1A layout, disables the attenuation part. Throws platform::ui::RuntimeError
    // (13, Type mismatch) for a value that is missing or no number.
    void getRegSettings();

    // Decides the layout: DDSB1Present is true when the file's "DDSB_1" section holds
    // at least one entry.
    void GetINIFileSettings();

    // The configuration file's path exactly as the registry gave it.
    QString INIFilePath;

    // The running spectrometer application, as the last successful interface request
    // gave it; empty until then.
    platform::automation::Dispatch VexonApp;

    QGroupBox* Frame1;
    QLabel* Label3;
    QLineEdit* AHOP_low;
    QLabel* Label1;
    QLabel* Label4;
    QLineEdit* AHOP_high;
    QLabel* Label2;
    QGroupBox* Frame2;
    QLabel* Label7;
    QLineEdit* Text4;
    QLabel* Label6;
    QLabel* Label8;
    QLineEdit* FHOP_high;
    QLabel* Label5;
    QPushButton* CommandApply;
    QPushButton* cmdClose;

signals:
    // The dialog was unloaded (Cancel, Esc, Alt+C or the window's close button).
    void unloaded();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void CommandApply_Click();
    void cmdClose_Click();
    void WriteINIFileSettings();
    void ResetVexon();

    QString displayFormOrFail(const QString& section, const QString& key,
                              const QString& value) const;

    bool loaded_ = false;
};
