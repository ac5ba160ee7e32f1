// "widget-commands.json" as the application drains it and the widget appends to it: whatever the
// file holds, a drain empties it, and a command the widget appends to it is drained, last. Nesting
// deeper than any queue is dropped unparsed, and the same file grown past the queue's size (sparse,
// so it costs no disk) is dropped unread and removed all the same.

#include <unistd.h>

#include <filesystem>

#include "Platform/JSONNesting.h"
#include "Shared/Settings/AppGroup.h"
#include "Shared/WidgetChannel/WidgetCommandQueue.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string queue = (*AppGroup::containerURL() / WidgetCommandQueue::fileName).string();
    const std::string_view bytes = fuzzing::text(data, size);

    fuzzing::replaceFile(queue.c_str(), bytes);
    const WidgetCommandQueue::Drained first = WidgetCommandQueue::tryDrain(std::chrono::seconds(2));
    FUZZ_EXPECT(!first.busy && !std::filesystem::exists(queue));
    FUZZ_EXPECT(first.commands.empty() || !Platform::JSONNesting::isDeeperThan(bytes));

    fuzzing::replaceFile(queue.c_str(), bytes);
    const WidgetCommand appended = WidgetCommand::openLocalhost(static_cast<std::int64_t>(size));
    WidgetCommandQueue::enqueue(appended);
    const WidgetCommandQueue::Drained second = WidgetCommandQueue::tryDrain(std::chrono::seconds(2));
    const std::vector<WidgetCommand>& withAppended = second.commands;
    FUZZ_EXPECT(!second.busy && !withAppended.empty() && withAppended.back() == appended);
    // Either the file's commands came before it, or the damaged file was dropped for it.
    FUZZ_EXPECT(withAppended.size() == 1 || withAppended.size() == first.commands.size() + 1);

    fuzzing::replaceFile(queue.c_str(), bytes);
    ::truncate(queue.c_str(), WidgetCommandQueue::maximumFileSize + 1);
    const WidgetCommandQueue::Drained oversized = WidgetCommandQueue::tryDrain(std::chrono::seconds(2));
    FUZZ_EXPECT(!oversized.busy && oversized.commands.empty() && !std::filesystem::exists(queue));
    return 0;
}
