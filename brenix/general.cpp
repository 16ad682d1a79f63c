#include "general.h"

#include <array>

#include "platform/profile/profile.h"

bool DDSB1Present = false;

namespace General {

namespace {
constexpr int BufferLength = 128;
}

QString GetINIString(const QString& section, const QString& key, const QString& filePath) {
    std::array<char, BufferLength> buffer{};
    const auto length = platform::profile::GetPrivateProfileString(
        section.toUtf8().toStdString(), key.toUtf8().toStdString(), " ", buffer.data(),
        BufferLength - 1, filePath.toUtf8().toStdString());
    if (length > 0) return QString::fromUtf8(buffer.data(), static_cast<qsizetype>(length));
    return QString(BufferLength, QChar(0));
}

bool IsNoValue(const QString& text) { return text == QString(BufferLength, QChar(0)); }

}  // namespace General
