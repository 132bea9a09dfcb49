#include "app/CorvaneDlg.h"

#include "traffic/Clamp.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>

[[maybe_unused]] static const char kCorvaneDlgPublishRevision[] =
    "%Z% Corvane QX1001:08 CorvaneDlgPublish.cpp $Revision: 1.1 $";

using PublishCounter = std::atomic_ref<std::int32_t>;
static_assert(offsetof(VisualInterfaceBlock, publishCounter) % PublishCounter::required_alignment ==
              0);

// The visual system reads the block while it is written. The order of the writes is the
// protocol: clear, count, records, then the counter (a reader that sees the counter change
// finds the records in place), then the status.
void CTrafficFeedDlg::PublishTraffic() {
    if (visualBlock == nullptr) {
        return;
    }
    std::memset(visualBlock->aircraft, 0, sizeof visualBlock->aircraft);
    const std::int32_t copied = analyser.GetAircraftInView(kStagingRecords, inViewRecords);
    const std::int32_t published = ClampInt(0, copied, kPublishLimit);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    visualBlock->aircraftCount = published;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(visualBlock->aircraft, inViewRecords,
                static_cast<std::size_t>(published) * sizeof(AircraftRecord));
    // Atomic arithmetic wraps: a counter that a peer or an earlier run left at the top of the
    // range goes on from the bottom instead of overflowing.
    PublishCounter(visualBlock->publishCounter).fetch_add(1, std::memory_order_release);
    visualBlock->trafficStatus = 0;
    ShowInViewList(copied);
}

// Lists every record taken from the analyser, even one beyond those published. A callsign
// that fills its field without a terminator is shown up to the end of the field.
void CTrafficFeedDlg::ShowInViewList(std::int32_t count) {
    inViewListText.clear();
    const std::int32_t shown = ClampInt(0, count, kStagingRecords);
    for (std::int32_t i = 0; i < shown; ++i) {
        const char* callsign = inViewRecords[i].callsign;
        const char* end = callsign + sizeof inViewRecords[i].callsign;
        inViewListText.append(callsign, std::find(callsign, end, '\0'));
        inViewListText += ' ';
    }
}
