// Modal message boxes with an OK button, and the program title they fall back on.
#pragma once

#include <QString>
#include <functional>
#include <optional>

#include "platform/box/box.h"

namespace platform::ui {

// The buttons-and-icon values that the programs pass; each box has an OK button only.
inline constexpr int MessagePlain = platform::box::Plain;
inline constexpr int MessageCritical = platform::box::Critical;
inline constexpr int MessageExclamation = platform::box::Exclamation;

// The title that a box without a caption of its own shows, here and in platform::box:
// one title for the program.
void setProgramTitle(const QString& title);
QString programTitle();

struct MessageBoxRequest {
    QString text;
    int style = MessagePlain;
    QString caption;  // already resolved: the program title when none was passed
};

// Shows `text` in a modal box and returns once it is dismissed. Without a caption
// the box shows the program title. The box is owned by the program's active (or only
// visible) window and stays above it; without one it stays above all windows. When no
// display can be opened, the text goes to standard error instead, prefixed by the
// caption, and counts as dismissed.
void showMessageBox(const QString& text, int style = MessagePlain,
                    const std::optional<QString>& caption = std::nullopt);

// Replaces the presenter of every later box, so that a unit test can capture boxes
// instead of showing them. An empty function restores the real presenter.
using MessageBoxPresenter = std::function<void(const MessageBoxRequest&)>;
void setMessageBoxPresenter(MessageBoxPresenter presenter);

// Shows the boxes of platform::box (the registry lookup's) through showMessageBox, for
// a program that runs Qt anyway: no module to load, and the same presenter.
void showPlatformBoxesHere();

}  // namespace platform::ui
