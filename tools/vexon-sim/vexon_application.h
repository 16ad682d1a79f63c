// The spectrometer application's automation object, as far as the utilities use it.
#pragma once

#include <QDBusVirtualObject>

class VexonApplication : public QDBusVirtualObject {
public:
    enum class Behaviour {
        Normal,         // a reset succeeds
        FailReset,      // a reset is answered with an error reply
        VanishOnReset,  // the process ends without answering a reset
        NoInterface,    // the object exposes no automation interface
    };

    static constexpr int ResetDispatchId = 45;

    explicit VexonApplication(Behaviour behaviour);

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    Behaviour behaviour_;
};

// Writes one time-stamped line to standard output and flushes it.
void logLine(const QString& text);
