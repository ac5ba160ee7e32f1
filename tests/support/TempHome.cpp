#include "support/TempHome.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace testing_support {
namespace fs = std::filesystem;

namespace {

// Resolved, so that paths compare equal to what tools like lsof report.
fs::path makeTempFolder(const fs::path& base = fs::temp_directory_path()) {
    std::string pattern = (base / "vellumark-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    return fs::canonical(pattern);
}

}  // namespace

TempHome::TempHome(const fs::path& base) : root_(makeTempFolder(base)), home_(root_ / "home") {
    const std::pair<const char*, fs::path> variables[] = {{"HOME", home_},
                                                          {"XDG_CONFIG_HOME", configHome()},
                                                          {"XDG_DATA_HOME", dataHome()},
                                                          {"XDG_RUNTIME_DIR", runtimeDir()}};
    for (const auto& [name, folder] : variables) fs::create_directories(folder);
    fs::permissions(runtimeDir(), fs::perms::owner_all, fs::perm_options::replace);
    // Only once nothing can throw any more, as a constructor that throws gets no destructor call.
    for (const auto& [name, folder] : variables) {
        const char* value = std::getenv(name);
        saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        setenv(name, folder.c_str(), 1);
    }
}

TempHome::~TempHome() {
    for (const auto& [name, value] : saved_) value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    std::error_code ignored;
    fs::remove_all(root_, ignored);
}

TempDir::TempDir() : path_(makeTempFolder()) {}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

}  // namespace testing_support
