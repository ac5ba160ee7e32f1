#pragma once
// The registry of named global shortcuts: each name's shortcut is stored in the standard user
// defaults under "GlobalShortcuts_<name>" (the JSON text of the Shortcut, or false once the user
// removed a shortcut whose name has a default), registered with the desktop as soon as it is
// stored, and its actions run when the combination is pressed or released anywhere.
//
// - Registration on X11 is a key grab on the root window (see CarbonGlobalShortcuts.h). Only a grab
//   the X server granted counts as registered; one that another program holds prints "Error
//   registering hotkey <text>: <status>" on standard output and is not registered, so a later call
//   tries again. Off X11 (Wayland, offscreen) nothing is registered, said once in the log.
// - A shortcut the recorder would refuse (Shortcut::isRecordable: a plain letter, say) is never
//   registered, stored or not; the log says why, and storing it is refused like a taken one.
// - Storing a new shortcut grabs it before letting go of the old one: when the grab is refused
//   nothing is stored and the old shortcut stays registered (StoreResult::refused); when the user
//   defaults cannot be written, the new grab goes again and the old shortcut stays the name's
//   (StoreResult::notSaved).
// - Actions run once per press (key-down) and once per release (key-up), never while isPaused()
//   (a recorder field is recording), also while one of the application's menus or its panel holds
//   the keyboard. Several names with the same shortcut all run; one name may have several actions,
//   which run in the order attached.
// - A key-down and key-up stream (events) lives as long as its EventStream object; when the last
//   stream and handler of a shortcut are gone, the shortcut is ungrabbed.
//
// Main thread only.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/Shortcut.h"

namespace GlobalShortcuts {

enum class EventType { keyDown, keyUp };
enum class StoreResult { stored, refused, notSaved };
using Action = std::function<void()>;

// Off: no shortcut is grabbed (the grabs return when it is turned on again).
bool isEnabled();
void setEnabled(bool enabled);
// On while a recorder records: no action runs.
bool isPaused();
void setPaused(bool paused);

// The stored shortcut; none for no entry, false, a value of another type or text that does not
// decode. Never the name's default.
std::optional<Shortcut> getShortcut(const Name& name);
// A shortcut goes through userDefaultsSet. None: when the name has a stored shortcut, the entry is
// removed (or set to false when the name has a default), the shortcut ungrabbed unless another
// name with handlers uses it, and the change posted; with nothing stored, nothing happens.
StoreResult setShortcut(const std::optional<Shortcut>& shortcut, const Name& name);
// Grabs the shortcut (unless held already), then lets go of the name's old one, stores the new one
// and posts the change. Refused grab: nothing changes.
StoreResult userDefaultsSet(const Name& name, const Shortcut& shortcut);
bool userDefaultsContains(const Name& name);

// Each name back to its default (or to no shortcut).
void reset(const std::vector<Name>& names);
// reset of every name stored in the defaults.
void resetAll();

// Grab (enable) or let go of (disable) the stored shortcuts of these names; handlers stay.
void enable(const std::vector<Name>& names);
void disable(const std::vector<Name>& names);
// Enabled, stored, and its grab held.
bool isEnabled(const Name& name);

void onKeyDown(const Name& name, Action action);
void onKeyUp(const Name& name, Action action);
// Drops the name's key-down and key-up actions; its shortcut is ungrabbed unless a stream of the
// name or another name with actions or streams still uses it.
void removeHandler(const Name& name);
void removeAllHandlers();

// A stream of a name's key events: the callback runs for each event while the object lives.
class EventStream {
public:
    EventStream() = default;
    EventStream(EventStream&& other) noexcept;
    EventStream& operator=(EventStream&& other) noexcept;
    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;
    ~EventStream();
    // Ends the stream now.
    void reset();

private:
    friend EventStream events(const Name&, std::function<void(EventType)>);
    EventStream(Name name, std::uint64_t id) : name_(std::move(name)), id_(id) {}
    std::optional<Name> name_;
    std::uint64_t id_ = 0;
};

[[nodiscard]] EventStream events(const Name& name, std::function<void(EventType)> callback);
// Only the events of one type.
[[nodiscard]] EventStream events(EventType type, const Name& name, Action callback);

}  // namespace GlobalShortcuts
