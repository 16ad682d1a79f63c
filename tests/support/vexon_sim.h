// The spectrometer simulator, run for one test on the test's session bus.
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace testing_support {

class VexonSim {
public:
    // Starts vexon-sim with `arguments` and waits until it owns its bus name.
    explicit VexonSim(const QStringList& arguments = {});
    ~VexonSim();
    VexonSim(const VexonSim&) = delete;
    VexonSim& operator=(const VexonSim&) = delete;

    // The unique bus name it took.
    const QString& owner() const { return owner_; }
    // How many lines of its log contain `part`.
    int count(const QString& part) const;
    QString log() const;
    // Ends it with SIGTERM and returns its exit status (-1 when it crashed).
    int stop();
    // Waits until it has ended on its own; returns its exit code.
    int waitForEnd();

private:
    QTemporaryDir folder_;
    QProcess process_;
    QString owner_;
};

}  // namespace testing_support
