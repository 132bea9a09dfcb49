// ViewGuard with real faults: shared views of memory files that the test shrinks under them.

#include "platform/ViewGuard.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <memory>
#include <sys/mman.h>
#include <unistd.h>

namespace {

const std::size_t kPage = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));

// A shared view of a memory file of `pages` pages, each page starting with its number + 1.
class SharedView {
public:
    explicit SharedView(std::size_t pages) : length(pages * kPage) {
        fd = memfd_create("ViewGuardTest", 0);
        if (fd < 0 || ftruncate(fd, static_cast<off_t>(length)) != 0) {
            return;
        }
        void* view = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        bytes = view == MAP_FAILED ? nullptr : static_cast<volatile unsigned char*>(view);
        for (std::size_t page = 0; bytes != nullptr && page < pages; ++page) {
            bytes[page * kPage] = static_cast<unsigned char>(page + 1);
        }
    }
    ~SharedView() {
        if (bytes != nullptr) {
            munmap(const_cast<unsigned char*>(bytes), length);
        }
        close(fd);
    }
    SharedView(const SharedView&) = delete;
    SharedView& operator=(const SharedView&) = delete;

    bool Ready() const { return bytes != nullptr; }
    void* Address() const { return const_cast<unsigned char*>(bytes); }
    // What a peer does: the file gets shorter under the view.
    bool ShrinkTo(std::size_t size) const { return ftruncate(fd, static_cast<off_t>(size)) == 0; }

    int fd = -1;
    std::size_t length;
    volatile unsigned char* bytes = nullptr;
};

// A fault in a watched view completes, whatever part of the view it hits, and the whole view
// is lost: reads give 0 from then on (even pages that the file still has), writes stay private.
TEST(ViewGuard, FaultInAWatchedViewCompletesAndMarksItLost) {
    struct Case {
        std::size_t shrinkToPages;
        std::size_t touchedPage;
    };
    for (const Case test : {Case{0, 0}, Case{0, 2}, Case{1, 1}, Case{2, 2}}) {
        SharedView view(3);
        ASSERT_TRUE(view.Ready());
        ViewGuard guard;
        ASSERT_TRUE(guard.Watch(view.Address(), view.length));
        EXPECT_FALSE(guard.Lost());
        ASSERT_TRUE(view.ShrinkTo(test.shrinkToPages * kPage));

        EXPECT_EQ(view.bytes[test.touchedPage * kPage + 7], 0) << test.touchedPage;
        EXPECT_TRUE(guard.Lost()) << test.shrinkToPages << " " << test.touchedPage;
        EXPECT_EQ(view.bytes[0], 0); // page 0 is private zeroes now too
        view.bytes[view.length - 1] = 9;
        EXPECT_EQ(view.bytes[view.length - 1], 9);
        guard.Release();
        EXPECT_FALSE(guard.Lost());
    }
}

// Only the view that faulted is lost; accesses within what the file still holds do not fault.
TEST(ViewGuard, OtherViewsAndAccessesWithinTheFileStayShared) {
    SharedView faulting(2);
    SharedView other(2);
    ASSERT_TRUE(faulting.Ready() && other.Ready());
    ViewGuard faultingGuard;
    ViewGuard otherGuard;
    ASSERT_TRUE(faultingGuard.Watch(faulting.Address(), faulting.length));
    ASSERT_TRUE(otherGuard.Watch(other.Address(), other.length));
    ASSERT_TRUE(faulting.ShrinkTo(kPage));
    EXPECT_EQ(faulting.bytes[0], 1);
    EXPECT_FALSE(faultingGuard.Lost());

    EXPECT_EQ(faulting.bytes[kPage], 0);
    EXPECT_TRUE(faultingGuard.Lost());
    EXPECT_FALSE(otherGuard.Lost());
    EXPECT_EQ(other.bytes[kPage], 2);
    faultingGuard.Release();
    otherGuard.Release();
}

// A view is watched while another, never watched, faults.
void FaultOutsideTheWatchedView() {
    SharedView watched(1);
    ViewGuard guard;
    guard.Watch(watched.Address(), watched.length);
    SharedView unwatched(2);
    unwatched.ShrinkTo(0);
    static_cast<void>(unwatched.bytes[kPage]);
}

// The handler kept before, or else the default action: a fault outside any watched view (never
// watched, or released before) and a SIGBUS sent by another process end the program as they
// would without the guard.
TEST(ViewGuardDeathTest, FaultsOutsideWatchedViewsKeepTheirAction) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(FaultOutsideTheWatchedView(), "");
    EXPECT_DEATH(
        {
            SharedView released(2);
            ViewGuard guard;
            guard.Watch(released.Address(), released.length);
            guard.Release();
            released.ShrinkTo(0);
            static_cast<void>(released.bytes[kPage]);
        },
        "");
    EXPECT_DEATH(
        {
            SharedView watched(1);
            ViewGuard guard;
            guard.Watch(watched.Address(), watched.length);
            kill(getpid(), SIGBUS);
            sleep(5);
        },
        "");
}

void ExitWith42(int) {
    _exit(42);
}

TEST(ViewGuardDeathTest, FaultsOutsideWatchedViewsReachTheHandlerThatWasThere) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            std::signal(SIGBUS, ExitWith42);
            FaultOutsideTheWatchedView();
        },
        testing::ExitedWithCode(42), "");
}

// The table is fixed; a view beyond it goes unguarded, and a released place serves again.
TEST(ViewGuard, TableOfWatchedViewsIsBoundedAndReused) {
    auto guards = std::make_unique<ViewGuard[]>(ViewGuard::kMaxWatchedViews + 1);
    int watched = 0;
    static char dummy[ViewGuard::kMaxWatchedViews + 1];
    for (int i = 0; i <= ViewGuard::kMaxWatchedViews; ++i) {
        watched += guards[i].Watch(dummy + i, 1) ? 1 : 0;
    }
    // Tests of this process that ran before left no watch behind.
    EXPECT_EQ(watched, ViewGuard::kMaxWatchedViews);
    EXPECT_FALSE(guards[ViewGuard::kMaxWatchedViews].Watch(dummy, 1));
    guards[3].Release();
    EXPECT_TRUE(guards[ViewGuard::kMaxWatchedViews].Watch(dummy, 1));
    for (int i = 0; i <= ViewGuard::kMaxWatchedViews; ++i) {
        guards[i].Release();
    }
}

} // namespace
