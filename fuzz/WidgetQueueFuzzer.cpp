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
    FUZZ_EXPECT(!first.busy && !std::filesystem::exists(queue) && first.batches.size() <= 1);
    FUZZ_EXPECT(first.batches.empty() || !Platform::JSONNesting::isDeeperThan(bytes));

    fuzzing::replaceFile(queue.c_str(), bytes);
    const WidgetCommand appended = WidgetCommand::openLocalhost(static_cast<std::int64_t>(size));
    WidgetCommandQueue::enqueue(appended);
    const WidgetCommandQueue::Drained second = WidgetCommandQueue::tryDrain(std::chrono::seconds(2));
    FUZZ_EXPECT(!second.busy && second.batches.size() == 1);
    const std::vector<WidgetCommand>& withAppended = second.batches[0].commands;
    FUZZ_EXPECT(!withAppended.empty() && withAppended.back() == appended);
    // Either the file's commands came before it, or the damaged file was dropped for it.
    const std::size_t fileCommands = first.batches.empty() ? 0 : first.batches[0].commands.size();
    FUZZ_EXPECT(withAppended.size() == 1 || withAppended.size() == fileCommands + 1);

    fuzzing::replaceFile(queue.c_str(), bytes);
    ::truncate(queue.c_str(), WidgetCommandQueue::maximumFileSize + 1);
    const WidgetCommandQueue::Drained oversized = WidgetCommandQueue::tryDrain(std::chrono::seconds(2));
    FUZZ_EXPECT(!oversized.busy && oversized.batches.empty() && !std::filesystem::exists(queue));
    return 0;
}
