#include "Platform/UserDefaults.h"

#include "Platform/AtomicFile.h"
#include "Platform/ISO8601.h"
#include "Platform/PrivateFolders.h"
#include "Platform/PropertyList.h"
#include "Platform/SystemLog.h"
#include "Platform/UniqueFd.h"
#include "Platform/UserPaths.h"

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>
#include <variant>

#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace Platform {
namespace {

constexpr const char* settingsFolderName = "vellumark";
constexpr const char* fileExtension = ".plist";
constexpr const char* lockExtension = ".plist.lock";
constexpr const char* asideInfix = ".corrupt-";
constexpr std::size_t maximumFileSize = UserDefaults::maximumFileSize;

using PlistPtr = PropertyList::Node;

// What identifies one version of the file on disk. An atomic replace gives a new inode; the
// timestamps and size catch an edit in place.
struct FileStamp {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    long long mtimeSeconds = 0, mtimeNanoseconds = 0;
    long long ctimeSeconds = 0, ctimeNanoseconds = 0;

    explicit FileStamp(const struct stat& info)
        : device(info.st_dev),
          inode(info.st_ino),
          size(info.st_size),
          mtimeSeconds(info.st_mtim.tv_sec),
          mtimeNanoseconds(info.st_mtim.tv_nsec),
          ctimeSeconds(info.st_ctim.tv_sec),
          ctimeNanoseconds(info.st_ctim.tv_nsec) {}
    bool operator==(const FileStamp&) const = default;
};

std::optional<FileStamp> stampOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return std::nullopt;
    return FileStamp(info);
}

// What reading the domain's file found.
struct LoadedFile {
    enum class State {
        absent,      // no file: an empty domain
        read,        // root holds its dictionary
        unopenable,  // it cannot be opened (its permissions, say): it may hold settings all the same
        damaged,     // opened, but no dictionary of ours: not a property list, nested too deep, too large
    };
    State state = State::absent;
    std::optional<FileStamp> stamp;  // none when there is no file
    PlistPtr root;
    std::string reason;  // unopenable: why
};

// A file nested too deep for the library is refused like any other damaged one (PropertyList.h).
PlistPtr parseDictionary(const std::string& bytes) {
    PlistPtr root = PropertyList::parse(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) return nullptr;
    return root;
}

// Reads the file through one descriptor so the stamp belongs to exactly the bytes parsed: a stat
// of the path followed by a read could pair an old stamp with new contents, and that change would
// then never be noticed.
LoadedFile loadDomainFile(const fs::path& path) {
    LoadedFile loaded;
    // Non-blocking so that a FIFO left at the path cannot hang the reader.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd) {
        if (errno == ENOENT || errno == ENOTDIR) return loaded;
        loaded.reason = std::strerror(errno);
        loaded.state = LoadedFile::State::unopenable;
        loaded.stamp = stampOf(path);
        return loaded;
    }
    struct stat info {};
    std::optional<std::string> bytes;
    if (::fstat(fd.get(), &info) == 0) {
        loaded.stamp = FileStamp(info);
        if (S_ISREG(info.st_mode)) bytes = readOpenFile(fd.get(), maximumFileSize, path);
    }
    if (bytes) loaded.root = parseDictionary(*bytes);
    loaded.state = loaded.root ? LoadedFile::State::read : LoadedFile::State::damaged;
    return loaded;
}

// Renames a damaged file to "<name>.corrupt-<UTC time>" beside it, never over another file; the new
// path, or why it could not be moved.
std::variant<fs::path, std::string> moveAside(const fs::path& file) {
    const std::string base = file.string() + asideInfix + formatISO8601(std::chrono::system_clock::now());
    for (int attempt = 1; attempt <= 100; ++attempt) {
        const std::string aside = attempt == 1 ? base : base + "-" + std::to_string(attempt);
        int moved = ::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE);
        if (moved != 0 && errno == EINVAL) {
            // A file system without RENAME_NOREPLACE: a hard link refuses an existing name too.
            moved = ::link(file.c_str(), aside.c_str());
            if (moved == 0) ::unlink(file.c_str());
        }
        if (moved == 0) return fs::path(aside);
        if (errno != EEXIST) return std::string(std::strerror(errno));
    }
    return std::string("every name for it is taken");
}

// Called with the domain's lock held. A damaged file is moved aside before anything is written over
// it, and what is at the path then is read; when it cannot be moved it is left as it is and counts
// as a file that cannot be opened.
LoadedFile setAsideIfDamaged(const fs::path& file, LoadedFile loaded) {
    if (loaded.state != LoadedFile::State::damaged) return loaded;
    const auto moved = moveAside(file);
    if (const auto* aside = std::get_if<fs::path>(&moved)) {
        systemLog("Vellumark: unreadable defaults file " + file.string() + " moved aside to " + aside->string() +
                  ", starting empty");
        return loadDomainFile(file);
    }
    loaded.state = LoadedFile::State::unopenable;
    loaded.reason = "damaged, and it cannot be moved aside: " + std::get<std::string>(moved);
    return loaded;
}

std::optional<UserDefaults::Value> valueOf(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        if (!bytes || length == 0) return UserDefaults::Data{};
        const auto* begin = reinterpret_cast<const std::uint8_t*>(bytes);
        return UserDefaults::Data(begin, begin + length);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return std::string(text ? text : "", text ? length : 0);
    }
    case PLIST_BOOLEAN: {
        uint8_t flag = 0;
        plist_get_bool_val(node, &flag);
        return flag != 0;
    }
    case PLIST_UINT: {
        // libplist keeps every integer unsigned; negative numbers are stored in two's complement.
        uint64_t number = 0;
        plist_get_uint_val(node, &number);
        return static_cast<std::int64_t>(number);
    }
    default: return std::nullopt;  // kinds we never write (dates, reals, arrays...) are kept but not read
    }
}

plist_t nodeOf(const UserDefaults::Value& value) {
    struct Visitor {
        plist_t operator()(const UserDefaults::Data& data) const {
            return plist_new_data(reinterpret_cast<const char*>(data.data()), data.size());
        }
        plist_t operator()(const std::string& text) const { return plist_new_string(text.c_str()); }
        plist_t operator()(bool flag) const { return plist_new_bool(flag ? 1 : 0); }
        plist_t operator()(std::int64_t number) const { return plist_new_uint(static_cast<uint64_t>(number)); }
    };
    return std::visit(Visitor{}, value);
}

using Values = std::map<std::string, UserDefaults::Value, std::less<>>;

Values valuesOf(plist_t dictionary) {
    Values values;
    if (!dictionary) return values;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(dictionary, &iterator);
    if (!iterator) return values;
    for (;;) {
        char* key = nullptr;
        plist_t node = nullptr;
        plist_dict_next_item(dictionary, iterator, &key, &node);
        if (!node) {
            std::free(key);
            break;
        }
        if (key) {
            if (auto value = valueOf(node)) values.emplace(key, std::move(*value));
            std::free(key);
        }
    }
    std::free(iterator);
    return values;
}

// XML rather than binary: the binary writer re-encodes non-ASCII text and mangles bytes that are
// not valid UTF-8, while the XML form keeps every text as given (and can be read by a person).
std::string serialize(plist_t dictionary) { return PropertyList::toXML(dictionary); }

fs::path settingsFolder() { return configHome() / settingsFolderName; }

fs::path fileFor(const std::string& domain) { return settingsFolder() / (domain + fileExtension); }

fs::path lockFileFor(const std::string& domain) { return settingsFolder() / (domain + lockExtension); }

std::optional<std::string> ensureSettingsFolder() {
    const fs::path folder = settingsFolder();
    if (const std::error_code error = createPrivateFolders(folder)) return error.message();
    return std::nullopt;
}

bool isPlainFileName(const std::string& name) {
    if (name.empty() || name == "." || name == "..") return false;
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) return false;
    // The lock file beside the domain's file must fit in a file name as well.
    return name.size() + std::strlen(lockExtension) <= NAME_MAX;
}

// An exclusive advisory lock on the sibling lock file, held for one read-modify-write.
class DomainFileLock {
public:
    explicit DomainFileLock(const fs::path& lockPath) {
        // O_NOFOLLOW: a symbolic link planted under the name would have its target created.
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd_ < 0) {
            error_ = std::strerror(errno);
            return;
        }
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            error_ = std::strerror(errno);
            ::close(fd_);
            fd_ = -1;
            return;
        }
    }
    ~DomainFileLock() {
        if (fd_ >= 0) ::close(fd_);  // closing the only descriptor releases the lock
    }
    DomainFileLock(const DomainFileLock&) = delete;
    DomainFileLock& operator=(const DomainFileLock&) = delete;

    bool held() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

private:
    int fd_ = -1;
    std::string error_;
};

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<UserDefaults>, std::less<>> domains;
};

Registry& registry() {
    // Never destroyed: defaults may still be used by threads running while the process exits.
    static auto* instance = new Registry;
    return *instance;
}

std::shared_ptr<UserDefaults> registeredDomain(const std::string& name) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto& slot = r.domains[name];
    if (!slot) slot = std::make_shared<UserDefaults>(name);
    return slot;
}

}  // namespace

// The values of the file last seen, and which file state that was. Guarded by UserDefaults::mutex_.
struct UserDefaults::Cache {
    std::string domainName;
    bool loaded = false;
    fs::path path;
    std::optional<FileStamp> stamp;
    Values values;

    // The file is there but cannot be read: it is never written, and the values live here alone.
    bool inMemoryOnly = false;

    void adopt(const fs::path& file, std::optional<FileStamp> fileStamp, plist_t root) {
        loaded = true;
        inMemoryOnly = false;
        path = file;
        stamp = fileStamp;
        values = valuesOf(root);
    }

    // Takes in what a read of the file found (a damaged file has been dealt with already).
    void adopt(const fs::path& file, const LoadedFile& found) {
        if (found.state != LoadedFile::State::unopenable) {
            adopt(file, found.stamp, found.root.get());
            return;
        }
        // Said once, when it begins; what was set since then stays in memory while it lasts.
        if (!inMemoryOnly || path != file) {
            systemLog("Vellumark: cannot read defaults file " + file.string() + ": " + found.reason +
                      "; running on defaults in memory, nothing is saved to it");
            values.clear();
        }
        loaded = true;
        inMemoryOnly = true;
        path = file;
        stamp = found.stamp;
    }

    // Re-reads the file when the environment points elsewhere or the file changed on disk.
    void refresh() {
        const fs::path file = fileFor(domainName);
        if (loaded && file == path && stampOf(file) == stamp) return;
        LoadedFile fresh = loadDomainFile(file);
        if (fresh.state == LoadedFile::State::damaged) {
            // Under the lock, so a writer that has just replaced the file does not lose its write.
            DomainFileLock lock(lockFileFor(domainName));
            if (lock.held()) {
                fresh = setAsideIfDamaged(file, loadDomainFile(file));
            } else {
                fresh.state = LoadedFile::State::unopenable;
                fresh.reason = "damaged, and it cannot be moved aside: " + lock.error();
            }
        }
        adopt(file, fresh);
    }
};

UserDefaults::UserDefaults(std::string domain) : domain_(std::move(domain)), cache_(std::make_shared<Cache>()) {
    cache_->domainName = domain_;
}

UserDefaults& UserDefaults::standard() {
    static UserDefaults& instance = *registeredDomain(standardDomain);
    return instance;
}

std::shared_ptr<UserDefaults> UserDefaults::suite(const std::string& name) {
    if (!isPlainFileName(name)) return nullptr;
    if (ensureSettingsFolder()) return nullptr;
    return registeredDomain(name);
}

std::optional<UserDefaults::Value> UserDefaults::object(const std::string& key) const {
    std::lock_guard lock(mutex_);
    cache_->refresh();
    auto found = cache_->values.find(key);
    if (found == cache_->values.end()) return std::nullopt;
    return found->second;
}

std::vector<std::string> UserDefaults::keys() const {
    std::lock_guard lock(mutex_);
    cache_->refresh();
    std::vector<std::string> names;
    names.reserve(cache_->values.size());
    for (const auto& [key, value] : cache_->values) names.push_back(key);
    return names;
}

namespace {
template <typename T>
std::optional<T> as(std::optional<UserDefaults::Value> value) {
    if (!value) return std::nullopt;
    if (auto* typed = std::get_if<T>(&*value)) return std::move(*typed);
    return std::nullopt;
}
}  // namespace

std::optional<UserDefaults::Data> UserDefaults::data(const std::string& key) const { return as<Data>(object(key)); }
std::optional<std::string> UserDefaults::string(const std::string& key) const { return as<std::string>(object(key)); }
std::optional<bool> UserDefaults::boolean(const std::string& key) const { return as<bool>(object(key)); }
std::optional<std::int64_t> UserDefaults::integer(const std::string& key) const {
    return as<std::int64_t>(object(key));
}

bool UserDefaults::set(const std::string& key, const Value& value) {
    // Keys and texts are stored as C strings; a NUL would silently cut them short and store the
    // value under another key or as another text.
    const auto* text = std::get_if<std::string>(&value);
    if (key.find('\0') != std::string::npos || (text && text->find('\0') != std::string::npos)) {
        systemLog("Vellumark: cannot store defaults value for a key or text holding a NUL character in " + domain_);
        return false;
    }
    if (!update(key, &value)) return false;
    notify(key);
    return true;
}

bool UserDefaults::remove(const std::string& key) {
    if (key.find('\0') != std::string::npos) return true;  // such a key can never have been stored
    if (!update(key, nullptr)) return false;
    notify(key);
    return true;
}

bool UserDefaults::update(const std::string& key, const Value* value) {
    std::lock_guard lock(mutex_);
    const fs::path file = fileFor(domain_);
    if (auto error = ensureSettingsFolder()) {
        systemLog("Vellumark: failed to create settings folder " + settingsFolder().string() + ": " + *error);
        return false;
    }
    const fs::path lockPath = lockFileFor(domain_);
    DomainFileLock fileLock(lockPath);
    if (!fileLock.held()) {
        systemLog("Vellumark: failed to lock defaults file " + lockPath.string() + ": " + fileLock.error());
        return false;
    }

    // Always start from what is on disk now: another process may have written since our last read,
    // and its keys must survive this write.
    LoadedFile current = setAsideIfDamaged(file, loadDomainFile(file));
    if (current.state == LoadedFile::State::unopenable) {
        cache_->adopt(file, current);
        if (value) cache_->values.insert_or_assign(key, *value);
        else cache_->values.erase(key);
        return true;
    }
    PlistPtr root = current.root ? std::move(current.root) : PlistPtr(plist_new_dict());

    if (value) {
        plist_dict_set_item(root.get(), key.c_str(), nodeOf(*value));
    } else if (plist_dict_get_item(root.get(), key.c_str())) {
        plist_dict_remove_item(root.get(), key.c_str());
    } else {
        cache_->adopt(file, current.stamp, root.get());
        return true;  // nothing to remove
    }

    const std::string bytes = serialize(root.get());
    if (bytes.size() > maximumFileSize) {
        systemLog("Vellumark: failed to write defaults file " + file.string() + ": larger than " +
                  std::to_string(maximumFileSize) + " bytes");
        cache_->loaded = false;
        return false;
    }
    if (auto error = writeFileAtomically(file, bytes)) {
        systemLog("Vellumark: failed to write defaults file " + file.string() + ": " + *error);
        cache_->loaded = false;  // the next read takes whatever is on disk
        return false;
    }
    cache_->adopt(file, stampOf(file), root.get());
    return true;
}

UserDefaults::ObserverToken UserDefaults::addObserver(Observer observer) {
    std::lock_guard lock(observersMutex_);
    const ObserverToken token = nextToken_++;
    observers_.emplace_back(token, std::move(observer));
    return token;
}

void UserDefaults::removeObserver(ObserverToken token) {
    std::lock_guard lock(observersMutex_);
    std::erase_if(observers_, [token](const auto& entry) { return entry.first == token; });
}

void UserDefaults::notify(const std::string& key) {
    // Called on a copy and outside the lock, so an observer may add or remove observers.
    std::vector<std::pair<ObserverToken, Observer>> current;
    {
        std::lock_guard lock(observersMutex_);
        current = observers_;
    }
    for (const auto& entry : current) entry.second(key);
}

std::string userDefaultsFilePath(const std::string& domain) { return fileFor(domain).string(); }

void removeLeftoverDefaultsFiles() {
    removeLeftoverTemporaryFiles(settingsFolder(),
                                 [](std::string_view target) { return target.ends_with(fileExtension); });
}

}  // namespace Platform
