#include "support/TempHome.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace testing_support {
namespace {

std::filesystem::path makeTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vellumark-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

void save(const char* name, std::string& value, bool& had) {
    const char* current = std::getenv(name);
    had = current != nullptr;
    if (had) value = current;
}

void restore(const char* name, const std::string& value, bool had) {
    if (had) setenv(name, value.c_str(), 1);
    else unsetenv(name);
}

}  // namespace

TempHome::TempHome() : root_(makeTempFolder()) {
    // Resolve so that paths compare equal to what tools like lsof report.
    root_ = std::filesystem::canonical(root_);
    home_ = root_ / "home";
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(configHome());
    std::filesystem::create_directories(dataHome());
    std::filesystem::create_directories(runtimeDir());
    std::filesystem::permissions(runtimeDir(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    save("HOME", savedHome_, hadHome_);
    save("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
    save("XDG_DATA_HOME", savedData_, hadData_);
    save("XDG_RUNTIME_DIR", savedRuntime_, hadRuntime_);
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_CONFIG_HOME", configHome().c_str(), 1);
    setenv("XDG_DATA_HOME", dataHome().c_str(), 1);
    setenv("XDG_RUNTIME_DIR", runtimeDir().c_str(), 1);
}

TempHome::~TempHome() {
    restore("HOME", savedHome_, hadHome_);
    restore("XDG_CONFIG_HOME", savedConfig_, hadConfig_);
    restore("XDG_DATA_HOME", savedData_, hadData_);
    restore("XDG_RUNTIME_DIR", savedRuntime_, hadRuntime_);
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

TempDir::TempDir() : path_(std::filesystem::canonical(makeTempFolder())) {}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace testing_support
