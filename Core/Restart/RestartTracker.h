#pragma once
// Every restart in progress or failed, so the panel can show a ghost row while a server is down, a
// short "restarted" mark once it is back, and offer retry or cancel.
//
// The restarter creates and advances entries from background threads; the periodic scan ends each
// restart by matching the relaunched server (reconcile). Every change happens under the tracker's
// lock and is followed by publish(); the published mirrors change only on the main thread, after
// which the observers are told.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "Core/Restart/RestartEntry.h"
#include "Core/Trackers/MainThreadMirror.h"
#include "Core/Trackers/TrackerTime.h"
#include "Platform/ObserverList.h"
#include "Shared/DevProject.h"

class RestartTracker : public std::enable_shared_from_this<RestartTracker> {
    struct Key {
        explicit Key() = default;
    };

public:
    using ID = RestartEntry::ID;
    using Token = Platform::ObserverList<>::Token;

    // What the periodic scan passes to reconcile.
    static constexpr Trackers::Seconds relaunchTimeout{30.0};
    static constexpr Trackers::Seconds pillDuration{10.0};

    // The process-wide tracker, created on first use and never released.
    static RestartTracker& shared();
    // A separate tracker (tests); only a tracker owned this way can publish.
    static std::shared_ptr<RestartTracker> make();
    explicit RestartTracker(Key) {}

    // Main thread: the entries oldest phase change first, and process group → end of its
    // "restarted" mark, as last published.
    // Copies: a publish on the main thread replaces the mirrors while a caller may still look at them.
    std::vector<RestartEntry> entries() const { return entries_; }
    std::map<std::int32_t, Platform::Date> recentlyRestarted() const { return recentlyRestarted_; }
    Token subscribe(std::function<void()> observer) { return observers_.subscribe(std::move(observer)); }
    void unsubscribe(Token token) { observers_.unsubscribe(token); }

    // After a periodic scan: a relaunching or failed entry whose server shows up is removed and its
    // process group marked restarted until now + pill; a relaunching entry with a spawned pid and no
    // match for longer than `timeout` since its phase change fails with "didn't come back"; marks
    // that end at or before `now` are dropped. Stopping entries belong to the restart work.
    void reconcile(const std::vector<DevProject>& projects, Platform::Date now,
                   Trackers::Seconds timeout = relaunchTimeout, Trackers::Seconds pill = pillDuration);

    // The old group is gone: an entry that exists and is not cancelled becomes relaunching (true).
    bool shouldSpawn(const ID& id, Platform::Date now);
    // Records the relaunched shell; false for a missing or cancelled entry.
    bool setSpawned(const ID& id, std::int32_t pid);
    // Retry: only a failed entry becomes relaunching again (no spawned pid, not cancelled); its plan.
    std::optional<ServerRestarter::Plan> markRetrying(const ID& id, Platform::Date now);
    void fail(const ID& id, const std::string& message, Platform::Date now);
    // A relaunching entry with a spawned pid: SIGTERM to the spawned process group and the entry is
    // removed. Any other entry is only marked cancelled; the restart work notices.
    void cancel(const ID& id);

    // The first server, in project then server order, whose process group is the spawned pid; else
    // the first whose pid did not exist before the restart and whose folder is the entry's.
    static std::optional<DevServer> matchedServer(const RestartEntry& entry, const std::vector<DevProject>& projects);

    // Direct edits, each published:
    // Stores a new entry unless one for the same original pid exists (false then: a server is
    // restarted at most once at a time).
    bool begin(RestartEntry entry);
    // Removes the entry (the restart work's end, the ghost row's dismiss); false when there was none.
    bool remove(const ID& id);

    // Under the lock, without publishing: a copy of the entry.
    std::optional<RestartEntry> entry(const ID& id);

    void publish();

private:
    std::mutex lock_;
    std::map<ID, RestartEntry> store_;
    std::map<std::int32_t, Platform::Date> restartedStore_;
    Trackers::PublishSequence sequence_;
    std::vector<RestartEntry> entries_;                         // main thread
    std::map<std::int32_t, Platform::Date> recentlyRestarted_;  // main thread
    Platform::ObserverList<> observers_;
};
