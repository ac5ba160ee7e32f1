#pragma once
// User defaults: small typed settings, one property-list file per domain under
// $XDG_CONFIG_HOME/vellumark/<domain>.plist.
//
// - standard() is the application's own domain; suite(name) opens a named suite (the App Group
//   suite that the application and the widget share). A suite that cannot be opened gives nullptr,
//   so callers can fall back to standard() as the system expects.
// - Values are data (bytes), text, boolean or integer. Reads see what another process wrote: the file
//   is re-read whenever it changed on disk. A missing file reads as an empty domain.
// - The user's settings are never lost to a file that cannot be read:
//   - a damaged file (not a property list, a dictionary nested too deep, larger than settings can
//     be, not a regular file) is moved aside to "<name>.corrupt-<UTC time>" and logged, whether a
//     read or a write meets it first, before anything is written; the domain then starts empty;
//   - a file that cannot be opened (its permissions, say) is never written: the domain runs on its
//     defaults with what this process sets kept in memory, and the log says so once. So does a
//     damaged file that cannot be moved aside.
// - Every write replaces the file atomically (read-modify-write under an advisory lock, so two
//   processes writing different keys lose neither).
// - Observers hear about every set and remove made in this process on the same domain, on the
//   writing thread, after the file was written.
// - The file is looked up from the environment on every access, so a test that moves HOME or
//   XDG_CONFIG_HOME sees a fresh domain.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace Platform {

class UserDefaults {
public:
    using Data = std::vector<std::uint8_t>;
    using Value = std::variant<Data, std::string, bool, std::int64_t>;
    using Observer = std::function<void(const std::string& key)>;
    using ObserverToken = std::uint64_t;

    static constexpr const char* standardDomain = "io.kestrow.v3lk";
    // Settings take a few kilobytes: a larger file is damaged, and a write that would make one fails.
    static constexpr std::size_t maximumFileSize = 4 << 20;

    static UserDefaults& standard();
    // The same object for the same name within a process; nullptr when the name is not a plain
    // file name (empty, ".", "..", holding "/" or NUL, too long for the file system) or the settings
    // folder cannot be created.
    static std::shared_ptr<UserDefaults> suite(const std::string& name);

    const std::string& domain() const { return domain_; }

    std::optional<Value> object(const std::string& key) const;
    // Each typed read gives no value when the key is absent or holds another type.
    std::optional<Data> data(const std::string& key) const;
    std::optional<std::string> string(const std::string& key) const;
    std::optional<bool> boolean(const std::string& key) const;
    std::optional<std::int64_t> integer(const std::string& key) const;
    // Every key stored in the domain, in sorted order.
    std::vector<std::string> keys() const;

    // False (and a log line) when the file could not be written (or would grow larger than settings
    // can be), or when the key or a text value holds a NUL character (the file keeps them as C
    // strings); the stored value is then unchanged. True while the domain runs in memory only.
    bool set(const std::string& key, const Value& value);
    bool remove(const std::string& key);

    ObserverToken addObserver(Observer observer);
    void removeObserver(ObserverToken token);

    explicit UserDefaults(std::string domain);  // use standard() or suite()

private:
    struct Cache;
    std::string domain_;
    mutable std::mutex mutex_;
    std::shared_ptr<Cache> cache_;
    std::mutex observersMutex_;
    std::vector<std::pair<ObserverToken, Observer>> observers_;
    ObserverToken nextToken_ = 1;

    // Read-modify-write of the file under the domain's lock; a null value removes the key.
    bool update(const std::string& key, const Value* value);
    void notify(const std::string& key);
};

// The path of a domain's file (for diagnostics and tests).
std::string userDefaultsFilePath(const std::string& domain);

// Removes the temporary files that writes of any domain's file left when their process was killed
// (see removeLeftoverTemporaryFiles in AtomicFile.h).
void removeLeftoverDefaultsFiles();

}  // namespace Platform
