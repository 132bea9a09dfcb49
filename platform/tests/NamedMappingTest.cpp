#include "platform/NamedMapping.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A name of this process alone, removed when the test ends.
class ScopedName {
public:
    explicit ScopedName(const char* test)
        : name("CorvaneMappingTest_" + std::to_string(getpid()) + "_" + test) {}
    ~ScopedName() { NamedMapping::Unlink(name.c_str()); }
    const char* c_str() const { return name.c_str(); }

private:
    std::string name;
};

// Sets a umask for one scope.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : previous(umask(mask)) {}
    ~ScopedUmask() { umask(previous); }

private:
    mode_t previous;
};

bool OpenAndMap(NamedMapping& mapping, const char* name) {
    return mapping.Open(name) && mapping.Map();
}

// A second process that holds what `hold` takes (true when it took it) until it is killed.
class HoldingProcess {
public:
    explicit HoldingProcess(const std::function<bool()>& hold) {
        int ready[2];
        if (pipe(ready) != 0) {
            return;
        }
        pid = fork();
        if (pid == 0) {
            const char result = hold() ? 1 : 0;
            if (write(ready[1], &result, 1) == 1) {
                pause();
            }
            _exit(0);
        }
        char result = 0;
        holding = pid > 0 && read(ready[0], &result, 1) == 1 && result == 1;
        close(ready[0]);
        close(ready[1]);
    }
    ~HoldingProcess() { Kill(); }
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

    bool Holding() const { return holding; }
    void Kill() {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            pid = -1;
        }
    }

private:
    pid_t pid = -1;
    bool holding = false;
};

TEST(NamedMapping, NewObjectIsOwnerOnlyWhateverTheUmask) {
    for (const mode_t mask : {0000, 0022, 0077, 0777}) {
        ScopedName name(("mode" + std::to_string(mask)).c_str());
        bool existed = true;
        {
            ScopedUmask scopedMask(mask);
            NamedMapping mapping;
            ASSERT_TRUE(mapping.CreateOrJoin(name.c_str(), 4096, existed)) << mask;
        }
        EXPECT_FALSE(existed);
        struct stat status {};
        ASSERT_EQ(stat(("/dev/shm/" + std::string(name.c_str())).c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 07777, 0600u) << "umask " << mask;
        EXPECT_EQ(status.st_size, 4096);
    }
}

TEST(NamedMapping, JoiningNeverResizes) {
    for (const std::uint32_t request : {1024u, 8192u}) {
        ScopedName name(("join" + std::to_string(request)).c_str());
        NamedMapping creator;
        bool existed = true;
        ASSERT_TRUE(creator.CreateOrJoin(name.c_str(), 4096, existed));
        ASSERT_FALSE(existed);

        NamedMapping joiner;
        ASSERT_TRUE(joiner.CreateOrJoin(name.c_str(), request, existed));
        EXPECT_TRUE(existed);
        ASSERT_TRUE(OpenAndMap(joiner, name.c_str()));
        EXPECT_EQ(joiner.MappedSize(), 4096u) << request;
        joiner.UnmapAndClose();
    }
}

TEST(NamedMapping, ViewsOfOneObjectShareTheirBytes) {
    ScopedName name("share");
    NamedMapping first;
    NamedMapping second;
    bool existed = false;
    ASSERT_TRUE(first.CreateOrJoin(name.c_str(), 13544, existed));
    ASSERT_TRUE(OpenAndMap(first, name.c_str()));
    ASSERT_TRUE(OpenAndMap(second, name.c_str()));
    EXPECT_EQ(second.MappedSize(), 13544u);

    static_cast<char*>(first.Address())[13543] = 'z';
    EXPECT_EQ(static_cast<char*>(second.Address())[13543], 'z');
    first.UnmapAndClose();
    second.UnmapAndClose();
    EXPECT_EQ(first.Address(), nullptr);
    EXPECT_EQ(first.MappedSize(), 0u);
}

TEST(NamedMapping, OpenOfMissingObjectGivesFileNotFound) {
    ScopedName name("missing");
    NamedMapping mapping;
    EXPECT_FALSE(mapping.Open(name.c_str()));
    EXPECT_EQ(mapping.LastError(), 2);
    EXPECT_FALSE(mapping.Map());
    EXPECT_EQ(mapping.Address(), nullptr);

    char text[256];
    NamedMapping::ErrorText(2, text, sizeof text);
    EXPECT_STREQ(text, std::strerror(ENOENT));
    char shortText[5];
    NamedMapping::ErrorText(2, shortText, sizeof shortText);
    EXPECT_EQ(std::string(shortText), std::string(text).substr(0, 4));
}

TEST(NamedMapping, EmptyObjectMapsAsZeroBytes) {
    ScopedName name("empty");
    NamedMapping mapping;
    bool existed = false;
    ASSERT_TRUE(mapping.CreateOrJoin(name.c_str(), 0, existed));
    ASSERT_TRUE(OpenAndMap(mapping, name.c_str()));
    EXPECT_NE(mapping.Address(), nullptr);
    EXPECT_EQ(mapping.MappedSize(), 0u);
    mapping.UnmapAndClose();
}

TEST(NamedMapping, UnlinkRemovesTheNameButNotTheViews) {
    ScopedName name("unlink");
    NamedMapping holder;
    bool existed = false;
    ASSERT_TRUE(holder.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(OpenAndMap(holder, name.c_str()));
    EXPECT_FALSE(holder.NameRemoved());

    EXPECT_EQ(NamedMapping::Unlink(name.c_str()), 0);
    EXPECT_TRUE(holder.NameRemoved());
    NamedMapping late;
    EXPECT_FALSE(late.Open(name.c_str()));
    EXPECT_EQ(late.LastError(), 2);
    static_cast<char*>(holder.Address())[0] = 1; // still usable
    EXPECT_EQ(NamedMapping::Unlink(name.c_str()), ENOENT);
    holder.UnmapAndClose();
}

// A peer that shrinks or grows the object is seen at once by every holder of a view; after an
// unlink the holder's object keeps its size.
TEST(NamedMapping, CurrentSizeFollowsThePeer) {
    ScopedName name("current");
    NamedMapping holder;
    EXPECT_EQ(holder.CurrentSize(), 0u); // no view yet
    bool existed = false;
    ASSERT_TRUE(holder.CreateOrJoin(name.c_str(), 8192, existed));
    ASSERT_TRUE(OpenAndMap(holder, name.c_str()));
    EXPECT_EQ(holder.CurrentSize(), 8192u);

    NamedMapping peer;
    ASSERT_TRUE(peer.Open(name.c_str()));
    const std::string path = "/dev/shm/" + std::string(name.c_str());
    for (const off_t size : {100, 0, 16384}) {
        ASSERT_EQ(truncate(path.c_str(), size), 0);
        EXPECT_EQ(holder.CurrentSize(), static_cast<std::size_t>(size));
        EXPECT_EQ(holder.MappedSize(), 8192u);
    }
    EXPECT_EQ(NamedMapping::Unlink(name.c_str()), 0);
    EXPECT_EQ(holder.CurrentSize(), 16384u);
    peer.UnmapAndClose();
    holder.UnmapAndClose();
    EXPECT_EQ(holder.CurrentSize(), 0u);
}

// A peer truncates the object while the view is in use: the access completes on zero pages
// and the view says it is lost; the object itself is untouched by the view from then on.
TEST(NamedMapping, ViewOfAShrunkObjectIsLostNotFatal) {
    ScopedName name("lost");
    NamedMapping holder;
    bool existed = false;
    ASSERT_TRUE(holder.CreateOrJoin(name.c_str(), 8192, existed));
    ASSERT_TRUE(OpenAndMap(holder, name.c_str()));
    auto* bytes = static_cast<volatile char*>(holder.Address());
    bytes[8000] = 'a';
    const std::string path = "/dev/shm/" + std::string(name.c_str());
    ASSERT_EQ(truncate(path.c_str(), 0), 0);
    EXPECT_FALSE(holder.ViewLost());

    EXPECT_EQ(bytes[8000], 0);
    EXPECT_TRUE(holder.ViewLost());
    ASSERT_EQ(truncate(path.c_str(), 8192), 0);
    bytes[10] = 'b';
    NamedMapping peer;
    ASSERT_TRUE(OpenAndMap(peer, name.c_str()));
    EXPECT_EQ(static_cast<char*>(peer.Address())[10], 0);

    holder.UnmapAndClose();
    EXPECT_FALSE(holder.ViewLost());
    ASSERT_TRUE(OpenAndMap(holder, name.c_str()));
    EXPECT_FALSE(holder.ViewLost());
    holder.UnmapAndClose();
    peer.UnmapAndClose();
}

// Each lock excludes every other holder of the object, within this process too, until it is
// released or the holder's handle is closed; the two locks are apart.
TEST(NamedMapping, LocksExcludeOtherHoldersUntilReleased) {
    ScopedName name("locks");
    NamedMapping first;
    NamedMapping second;
    bool existed = false;
    ASSERT_TRUE(first.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(first.Open(name.c_str()) && second.Open(name.c_str()));
    using Lock = NamedMapping::Lock;
    for (const Lock lock : {Lock::Lifecycle, Lock::Feeder}) {
        const Lock otherLock = lock == Lock::Lifecycle ? Lock::Feeder : Lock::Lifecycle;
        ASSERT_TRUE(first.TakeLock(lock, 0));
        EXPECT_TRUE(first.TakeLock(lock, 0)); // held already
        EXPECT_FALSE(second.TakeLock(lock, 20));
        EXPECT_EQ(second.LastError(), 0); // taken, not broken
        EXPECT_TRUE(second.TakeLock(otherLock, 0));
        second.ReleaseLock(otherLock);

        first.ReleaseLock(lock);
        EXPECT_TRUE(second.TakeLock(lock, 0));
        EXPECT_FALSE(first.TakeLock(lock, 0));
        second.UnmapAndClose();
        EXPECT_TRUE(first.TakeLock(lock, 0));
        first.ReleaseLock(lock);
        ASSERT_TRUE(second.Open(name.c_str()));
    }
    NamedMapping unopened;
    EXPECT_FALSE(unopened.TakeLock(Lock::Feeder, 0));
    EXPECT_EQ(unopened.LastError(), EBADF);
    first.UnmapAndClose();
    second.UnmapAndClose();
}

// A holder that is killed does not keep the lock from the next one.
TEST(NamedMapping, LockGoesWithAKilledHolder) {
    ScopedName name("killed");
    NamedMapping mapping;
    bool existed = false;
    ASSERT_TRUE(mapping.CreateOrJoin(name.c_str(), 4096, existed));
    HoldingProcess holder([&] {
        NamedMapping held;
        return held.Open(name.c_str()) && held.TakeLock(NamedMapping::Lock::Feeder, 0);
    });
    ASSERT_TRUE(holder.Holding());
    ASSERT_TRUE(mapping.Open(name.c_str()));
    EXPECT_FALSE(mapping.TakeLock(NamedMapping::Lock::Feeder, 0));
    holder.Kill();
    EXPECT_TRUE(mapping.TakeLock(NamedMapping::Lock::Feeder, 0));
    mapping.UnmapAndClose();
}

// Only the name of the very object opened goes; one made anew under the name stays.
TEST(NamedMapping, RemoveNameTakesOnlyTheOpenedObjectsName) {
    ScopedName name("remove");
    NamedMapping old;
    bool existed = false;
    ASSERT_TRUE(old.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(old.Open(name.c_str()));
    ASSERT_EQ(NamedMapping::Unlink(name.c_str()), 0);
    NamedMapping newer;
    ASSERT_TRUE(newer.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_FALSE(existed);

    old.RemoveName();
    NamedMapping probe;
    EXPECT_TRUE(probe.Open(name.c_str()));
    probe.UnmapAndClose();
    ASSERT_TRUE(newer.Open(name.c_str()));
    newer.RemoveName();
    EXPECT_FALSE(probe.Open(name.c_str()));
    old.UnmapAndClose();
    newer.UnmapAndClose();
}

// How a peer in another process holds the object: writers are told by the system at once, a
// reader only by its handle or its view, which stays after the handle is closed.
struct HolderCase {
    const char* label;
    int openFlags;
    bool map;
    bool keepHandle;
};

void PrintTo(const HolderCase& c, std::ostream* out) {
    *out << c.label;
}

class OtherHolders : public ::testing::TestWithParam<HolderCase> {};

// The peer holds the object until it is killed; then no one but this holder is left.
TEST_P(OtherHolders, APeerHoldsTheObjectUntilItEnds) {
    const HolderCase& c = GetParam();
    ScopedName name("holders");
    NamedMapping mapping;
    bool existed = false;
    ASSERT_TRUE(mapping.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(OpenAndMap(mapping, name.c_str()));
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::None);
    HoldingProcess peer([&] {
        const int fd = shm_open(("/" + std::string(name.c_str())).c_str(), c.openFlags, 0);
        const int protection = c.openFlags == O_RDWR ? PROT_READ | PROT_WRITE : PROT_READ;
        const bool held =
            fd >= 0 && (!c.map || mmap(nullptr, 4096, protection, MAP_SHARED, fd, 0) != MAP_FAILED);
        return held && (c.keepHandle || close(fd) == 0);
    });
    ASSERT_TRUE(peer.Holding());
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::Others);
    peer.Kill();
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::None);
    mapping.UnmapAndClose();
}

INSTANTIATE_TEST_SUITE_P(
    Peers, OtherHolders,
    ::testing::Values(HolderCase{"handle for writing", O_RDWR, false, true},
                      HolderCase{"handle for reading", O_RDONLY, false, true},
                      HolderCase{"view for writing, handle closed", O_RDWR, true, false},
                      HolderCase{"view for reading, handle closed", O_RDONLY, true, false}),
    [](const ::testing::TestParamInfo<HolderCase>& info) {
        std::string name;
        for (const char* c = info.param.label; *c != '\0'; ++c) {
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        }
        return name;
    });

// Other handles and views in this process hold the object too; only the asker's own do not.
// Without an opened object nothing can be told, and nothing is taken as free.
TEST(NamedMapping, OtherHoldersInThisProcessCountButNotTheAskersOwn) {
    ScopedName name("ownholders");
    NamedMapping mapping;
    bool existed = false;
    ASSERT_TRUE(mapping.CreateOrJoin(name.c_str(), 4096, existed));
    ASSERT_TRUE(OpenAndMap(mapping, name.c_str()));
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::None);
    NamedMapping second;
    ASSERT_TRUE(second.Open(name.c_str()));
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::Others);
    second.UnmapAndClose();
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::None);
    mapping.UnmapAndClose();
    EXPECT_EQ(mapping.OtherHolders(), NamedMapping::Holders::Others);
}

TEST(NamedMapping, InvalidNameFailsWithSystemCode) {
    NamedMapping mapping;
    bool existed = false;
    EXPECT_FALSE(mapping.CreateOrJoin("Corvane/with/slashes", 4096, existed));
    EXPECT_NE(mapping.LastError(), 0);
}

} // namespace
