#include "GlobalShortcuts/GlobalShortcuts.h"

#include <map>
#include <set>

#include "GlobalShortcuts/CarbonGlobalShortcuts.h"
#include "GlobalShortcuts/Notifications.h"
#include "GlobalShortcuts/StoredShortcut.h"
#include "Platform/SystemLog.h"
#include "Platform/UserDefaults.h"

namespace GlobalShortcuts {

namespace {

using StreamCallback = std::function<void(EventType)>;

struct Registry {
    bool enabled = true;
    bool paused = false;
    std::map<Name, std::vector<Action>> legacyKeyDownHandlers, legacyKeyUpHandlers;
    // Both event types go to every stream of a name; a name is here only while it has streams.
    std::map<Name, std::map<std::uint64_t, StreamCallback>> streamHandlers;
    std::uint64_t nextStreamID = 1;
};

Registry& registry() {
    static Registry* instance = new Registry;
    return *instance;
}

Platform::UserDefaults& defaults() { return Platform::UserDefaults::standard(); }

void handle(EventType type, const Shortcut& pressed) {
    Registry& r = registry();
    if (r.paused) return;
    // Copies: an action may attach or drop handlers.
    const auto legacy = type == EventType::keyDown ? r.legacyKeyDownHandlers : r.legacyKeyUpHandlers;
    for (const auto& [name, actions] : legacy) {
        if (getShortcut(name) != pressed) continue;
        for (const Action& action : actions)
            if (action) action();
    }
    const auto streams = r.streamHandlers;
    for (const auto& [name, callbacks] : streams) {
        if (getShortcut(name) != pressed) continue;
        for (const auto& [id, callback] : callbacks)
            if (callback) callback(type);
    }
}

void handleOnKeyDown(const Shortcut& shortcut) { handle(EventType::keyDown, shortcut); }
void handleOnKeyUp(const Shortcut& shortcut) { handle(EventType::keyUp, shortcut); }

// Held already, or granted now; on any other platform there is nothing to hold, and storing goes on.
// A shortcut the recorder would refuse is never grabbed, whoever stored it: a plain letter would
// stop reaching every other program on the desktop.
bool registerShortcut(const Shortcut& shortcut) {
    if (CarbonGlobalShortcuts::holds(shortcut)) return true;
    if (!shortcut.isRecordable()) {
        Platform::systemLog("Vellumark: the shortcut " + shortcut.presentableDescription() +
                            " is not registered: without Control, Alt or Super only F1 to F20 can be global "
                            "shortcuts, any other key would be taken from every program");
        return false;
    }
    return CarbonGlobalShortcuts::registerShortcut(shortcut, handleOnKeyDown, handleOnKeyUp) !=
           CarbonGlobalShortcuts::Registration::refused;
}

// Some name with actions or streams has the shortcut stored. Asked once a change is made, so the
// name that just let go of it no longer counts.
bool isWanted(const Shortcut& shortcut) {
    const Registry& r = registry();
    const auto wants = [&](const auto& handlersByName) {
        for (const auto& [name, handlers] : handlersByName)
            if (getShortcut(name) == shortcut) return true;
        return false;
    };
    return wants(r.legacyKeyDownHandlers) || wants(r.legacyKeyUpHandlers) || wants(r.streamHandlers);
}

void letGoOf(const Shortcut& shortcut) {
    if (!isWanted(shortcut)) CarbonGlobalShortcuts::unregister(shortcut);
}

void userDefaultsDidChange(const Name& name) { Notifications::shortcutByNameDidChange().notify(name); }

// Stores the shortcut under the name. Unless `storeWhenRefused`, a refused grab stores nothing.
StoreResult store(const Name& name, const Shortcut& shortcut, bool storeWhenRefused) {
    const std::optional<Shortcut> old = getShortcut(name);
    const bool held = registerShortcut(shortcut);
    if (!held && !storeWhenRefused) return StoreResult::refused;
    if (!writeStoredShortcut(defaults(), name.userDefaultsKey(), shortcut)) {
        // Still the old shortcut's name: the new combination would otherwise be grabbed for nothing.
        if (held && old != shortcut) letGoOf(shortcut);
        return StoreResult::notSaved;
    }
    if (old && *old != shortcut) letGoOf(*old);
    userDefaultsDidChange(name);
    return held ? StoreResult::stored : StoreResult::refused;
}

}  // namespace

// --- Name ------------------------------------------------------------------------------------------

Name::Name(std::string value) : rawValue(std::move(value)) {}

Name::Name(std::string value, std::optional<Shortcut> initialShortcut)
    : rawValue(std::move(value)), defaultShortcut(initialShortcut) {
    // The default counts as the user's choice until they make one, even when another program holds
    // it now: the refusal is reported, and the next launch tries again.
    if (defaultShortcut && !userDefaultsContains(*this)) store(*this, *defaultShortcut, true);
}

std::string Name::userDefaultsKey() const { return userDefaultsKeyPrefix + rawValue; }

std::optional<Shortcut> Name::shortcut() const { return getShortcut(*this); }

// --- Notifications ---------------------------------------------------------------------------------

Platform::ObserverList<Name>& Notifications::shortcutByNameDidChange() {
    static auto* list = new Platform::ObserverList<Name>;
    return *list;
}

Platform::ObserverList<bool>& Notifications::recorderActiveStatusDidChange() {
    static auto* list = new Platform::ObserverList<bool>;
    return *list;
}

// --- State -----------------------------------------------------------------------------------------

bool isEnabled() { return registry().enabled; }

void setEnabled(bool enabled) {
    if (registry().enabled == enabled) return;
    registry().enabled = enabled;
    CarbonGlobalShortcuts::setEnabled(enabled);
}

bool isPaused() { return registry().paused; }
void setPaused(bool paused) { registry().paused = paused; }

// --- Storage ---------------------------------------------------------------------------------------

std::optional<Shortcut> getShortcut(const Name& name) { return readStoredShortcut(defaults(), name.userDefaultsKey()); }

bool userDefaultsContains(const Name& name) { return defaults().object(name.userDefaultsKey()).has_value(); }

StoreResult userDefaultsSet(const Name& name, const Shortcut& shortcut) { return store(name, shortcut, false); }

StoreResult setShortcut(const std::optional<Shortcut>& shortcut, const Name& name) {
    if (shortcut) return userDefaultsSet(name, *shortcut);
    const auto old = getShortcut(name);
    if (!old) return StoreResult::stored;
    const bool saved = name.defaultShortcut ? defaults().set(name.userDefaultsKey(), false)
                                            : defaults().remove(name.userDefaultsKey());
    if (!saved) return StoreResult::notSaved;  // still stored, so still grabbed
    letGoOf(*old);
    userDefaultsDidChange(name);
    return StoreResult::stored;
}

void reset(const std::vector<Name>& names) {
    for (const Name& name : names) setShortcut(name.defaultShortcut, name);
}

void resetAll() {
    std::vector<Name> names;
    const std::string prefix = userDefaultsKeyPrefix;
    for (const std::string& key : defaults().keys())
        if (key.starts_with(prefix)) names.emplace_back(key.substr(prefix.size()));
    reset(names);
}

// --- Registration ----------------------------------------------------------------------------------

void enable(const std::vector<Name>& names) {
    for (const Name& name : names)
        if (const auto shortcut = getShortcut(name)) registerShortcut(*shortcut);
}

void disable(const std::vector<Name>& names) {
    for (const Name& name : names)
        if (const auto shortcut = getShortcut(name)) CarbonGlobalShortcuts::unregister(*shortcut);
}

bool isEnabled(const Name& name) {
    const auto shortcut = getShortcut(name);
    return isEnabled() && shortcut && CarbonGlobalShortcuts::holds(*shortcut);
}

// --- Handlers --------------------------------------------------------------------------------------

void onKeyDown(const Name& name, Action action) {
    registry().legacyKeyDownHandlers[name].push_back(std::move(action));
    if (const auto shortcut = getShortcut(name)) registerShortcut(*shortcut);
}

void onKeyUp(const Name& name, Action action) {
    registry().legacyKeyUpHandlers[name].push_back(std::move(action));
    if (const auto shortcut = getShortcut(name)) registerShortcut(*shortcut);
}

void removeHandler(const Name& name) {
    registry().legacyKeyDownHandlers.erase(name);
    registry().legacyKeyUpHandlers.erase(name);
    if (const auto shortcut = getShortcut(name)) letGoOf(*shortcut);
}

void removeAllHandlers() {
    Registry& r = registry();
    std::set<Shortcut> formerlyWanted;
    for (const auto* handlersByName : {&r.legacyKeyDownHandlers, &r.legacyKeyUpHandlers})
        for (const auto& [name, actions] : *handlersByName)
            if (const auto shortcut = getShortcut(name)) formerlyWanted.insert(*shortcut);
    r.legacyKeyDownHandlers.clear();
    r.legacyKeyUpHandlers.clear();
    for (const Shortcut& shortcut : formerlyWanted) letGoOf(shortcut);
}

// --- Streams ---------------------------------------------------------------------------------------

EventStream events(const Name& name, std::function<void(EventType)> callback) {
    Registry& r = registry();
    const std::uint64_t id = r.nextStreamID++;
    r.streamHandlers[name][id] = std::move(callback);
    if (const auto shortcut = getShortcut(name)) registerShortcut(*shortcut);
    return EventStream(name, id);
}

EventStream events(EventType type, const Name& name, Action callback) {
    return events(name, [type, callback = std::move(callback)](EventType happened) {
        if (happened == type && callback) callback();
    });
}

EventStream::EventStream(EventStream&& other) noexcept
    : name_(std::exchange(other.name_, std::nullopt)), id_(other.id_) {}

EventStream& EventStream::operator=(EventStream&& other) noexcept {
    if (this != &other) {
        reset();
        name_ = std::exchange(other.name_, std::nullopt);
        id_ = other.id_;
    }
    return *this;
}

EventStream::~EventStream() { reset(); }

void EventStream::reset() {
    if (!name_) return;
    const Name name = *std::exchange(name_, std::nullopt);
    auto& streams = registry().streamHandlers;
    if (const auto found = streams.find(name); found != streams.end()) {
        found->second.erase(id_);
        // The name leaves with its last stream, so its shortcut stops counting as wanted.
        if (found->second.empty()) streams.erase(found);
    }
    if (const auto shortcut = getShortcut(name)) letGoOf(*shortcut);
}

}  // namespace GlobalShortcuts
