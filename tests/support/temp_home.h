// A private home for one test: HOME, XDG_CONFIG_HOME and XDG_DATA_HOME point into a
// fresh temporary folder, which is removed again with everything in it.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace testing_support {

class TempHome {
public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& root() const { return root_; }
    std::filesystem::path registryStore() const;
    std::filesystem::path windowsFolder() const;

    // Writes `text` as the registry store, behind the REGEDIT4 header.
    void writeRegistry(std::string_view body) const;

private:
    std::filesystem::path root_;
    std::string savedHome_, savedConfig_, savedData_;
    bool hadHome_ = false, hadConfig_ = false, hadData_ = false;
};

// `text` as a quoted .reg string, with backslashes and quotes escaped.
std::string regString(std::string_view text);

// Writes `bytes` to `path` exactly, creating its folders, and backdates it.
void writeFile(const std::filesystem::path& path, std::string_view bytes);
// Dates `path` two seconds back, as a file that the application wrote a while ago: a
// file changed moments ago is read only once it has stood still.
void backdate(const std::filesystem::path& path);
// The bytes of `path`, or empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);

}  // namespace testing_support
