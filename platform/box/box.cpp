#include "box.h"

#include <dlfcn.h>

#include <cstdio>

#include "platform/paths/paths.h"

namespace platform::box {

namespace {

std::string& titleStorage() {
    static std::string title;
    return title;
}

Presenter& presenterStorage() {
    static Presenter presenter;
    return presenter;
}

void presentThroughModule(const Request& request) {
    // Loaded for good: Qt cannot be unloaded once it has run.
    void* module = dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    const auto function =
        module != nullptr
            ? reinterpret_cast<ModuleFunction>(dlsym(module, "vexon_show_message_box"))
            : nullptr;
    if (function == nullptr) {
        std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
        return;
    }
    function(request.text.c_str(), request.style, request.caption.c_str());
}

}  // namespace

void setProgramTitle(std::string title) { titleStorage() = std::move(title); }

const std::string& programTitle() { return titleStorage(); }

void show(std::string_view text, int style, const std::optional<std::string_view>& caption) {
    const Request request{std::string(text), style, std::string(caption.value_or(programTitle()))};
    if (const auto& presenter = presenterStorage()) {
        presenter(request);
    } else {
        presentThroughModule(request);
    }
}

void setPresenter(Presenter presenter) { presenterStorage() = std::move(presenter); }

std::string modulePath() { return paths::besideExecutable(VEXON_BOX_MODULE); }

}  // namespace platform::box
