#pragma once
// Every test that touches the user's files gets a fresh HOME and XDG folders of its own, removed
// afterwards, so tests never see the developer's real settings or each other's.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

class TempHome {
public:
    // The folders go in a fresh folder under `base`.
    explicit TempHome(const std::filesystem::path& base = std::filesystem::temp_directory_path());
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path configHome() const { return home_ / ".config"; }
    std::filesystem::path dataHome() const { return home_ / ".local/share"; }
    std::filesystem::path runtimeDir() const { return home_ / ".run"; }

private:
    std::filesystem::path root_, home_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;  // the variables as they were
};

// A fresh temporary folder, removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace testing_support
