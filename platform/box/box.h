// Message boxes for code that must not load a GUI toolkit before a box is shown: the
// registry lookup, and lectavo, whose success path shows nothing.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform::box {

// The buttons-and-icon values that the programs pass; each box has an OK button only.
enum Style : int {
    Plain = 0,
    Critical = 16,
    Exclamation = 48,
};

// One box, its texts in UTF-8.
struct Request {
    std::string text;
    int style = Plain;
    std::string caption;  // already resolved: the program title when none was passed
};

// The title that a box without a caption of its own shows.
void setProgramTitle(std::string title);
const std::string& programTitle();

// Shows `text` in a modal box and returns once it is dismissed. Unless a presenter is
// set, the box module (Qt Widgets) is loaded now, and only now; where it cannot be
// loaded, or no display can be opened, the text goes to standard error instead,
// prefixed by the caption, and counts as dismissed.
void show(std::string_view text, int style = Plain,
          const std::optional<std::string_view>& caption = std::nullopt);

// Replaces the presenter of every later box: a program that runs Qt already shows boxes
// itself, and a unit test captures them. An empty function restores the module.
using Presenter = std::function<void(const Request&)>;
void setPresenter(Presenter presenter);

// The box module's file: beside the programs' libraries, found relative to the running
// executable, in an installed tree and in the build tree alike.
std::string modulePath();

// The function the box module exports, under the name "vexon_show_message_box".
using ModuleFunction = void (*)(const char* text, int style, const char* caption);

}  // namespace platform::box
