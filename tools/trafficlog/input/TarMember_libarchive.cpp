// The recordings inside a tar archive, read with libarchive as the archive streams past: the
// members are found by their names (a .csv, .csv.gz, .sbs or .sbs.gz file), read in the order
// they stand, and nothing is unpacked to disk.
#include "tools/trafficlog/input/ByteSource.h"

#include <archive.h>
#include <archive_entry.h>
#include <cerrno>
#include <cstring>
#include <string>

namespace {
constexpr int kBlockSize = 1 << 16;
constexpr std::size_t kMaxNamesListed = 200;

bool EndsWith(const char* text, const char* end) {
    const std::size_t length = std::strlen(text);
    const std::size_t endLength = std::strlen(end);
    return length >= endLength && std::strcmp(text + length - endLength, end) == 0;
}

bool IsRecordingName(const char* name) {
    for (const char* end : {".csv", ".csv.gz", ".sbs", ".sbs.gz"}) {
        if (EndsWith(name, end)) {
            return true;
        }
    }
    return false;
}

class TarMember : public TarSource {
public:
    explicit TarMember(ByteSource& archiveBytes) : archiveBytes(archiveBytes) {}
    ~TarMember() override {
        if (archive != nullptr) {
            archive_read_free(archive);
        }
    }
    TarMember(const TarMember&) = delete;
    TarMember& operator=(const TarMember&) = delete;

    bool Open();
    int Read(unsigned char* buffer, int size) override;
    Step NextMember() override;
    const char* MemberName() const override { return memberName.c_str(); }

private:
    static la_ssize_t ReadBlock(struct archive*, void* self, const void** block);
    int Fail();

    ByteSource& archiveBytes;
    struct archive* archive = nullptr;
    unsigned char block[kBlockSize];
    bool failed = false;
    std::string memberName;
    std::string passedOver; // the names of the members that are no recordings, for a refusal
};

la_ssize_t TarMember::ReadBlock(struct archive* archive, void* self, const void** block) {
    auto* member = static_cast<TarMember*>(self);
    *block = member->block;
    const int got = member->archiveBytes.Read(member->block, kBlockSize);
    if (got < 0) {
        archive_set_error(archive, EIO, "%s", member->archiveBytes.FullErrorText().c_str());
        return -1;
    }
    return got;
}

int TarMember::Fail() {
    failed = true;
    const char* reason = archive_error_string(archive);
    ReportError("TarMember::Read", reason != nullptr ? reason : "the tar archive is damaged");
    return -1;
}

bool TarMember::Open() {
    archive = archive_read_new();
    if (archive == nullptr) {
        ReportError("TarMember::Open", "libarchive could not be set up");
        return false;
    }
    archive_read_support_format_tar(archive);
    archive_read_support_format_gnutar(archive);
    if (archive_read_open(archive, this, nullptr, ReadBlock, nullptr) != ARCHIVE_OK) {
        Fail();
        return false;
    }
    switch (NextMember()) {
    case Step::Found:
        return true;
    case Step::Failed:
        return false;
    case Step::End:
        break;
    }
    if (passedOver.empty()) {
        ReportError("TarMember::Open", "the tar archive is empty: it holds no file");
    } else {
        ReportDetail("TarMember::Open",
                     "the tar archive holds no .csv, .csv.gz, .sbs or .sbs.gz file; it holds:",
                     passedOver.c_str());
    }
    return false;
}

TarSource::Step TarMember::NextMember() {
    if (failed) {
        return Step::Failed;
    }
    archive_entry* entry = nullptr;
    int status;
    while ((status = archive_read_next_header(archive, &entry)) == ARCHIVE_OK) {
        const char* name = archive_entry_pathname(entry);
        name = name != nullptr ? name : "";
        const char* linked = archive_entry_hardlink(entry);
        // A hard link's bytes stand with the member it links to, which has streamed past:
        // read already when that is a recording, else out of reach.
        if (linked != nullptr && IsRecordingName(name) && !IsRecordingName(linked)) {
            failed = true;
            ReportError("TarMember::Open",
                        (std::string(name) + " is a hard link to " + linked +
                         ", which stands before it in the archive: unpack the archive (tar -xf) "
                         "and convert the file")
                            .c_str());
            return Step::Failed;
        }
        if (linked == nullptr && archive_entry_filetype(entry) == AE_IFREG &&
            IsRecordingName(name)) {
            memberName = name;
            return Step::Found;
        }
        if (passedOver.size() < kMaxNamesListed) {
            passedOver += passedOver.empty() ? "" : ", ";
            passedOver += name;
        }
    }
    if (status != ARCHIVE_EOF) {
        Fail();
        return Step::Failed;
    }
    return Step::End;
}

int TarMember::Read(unsigned char* buffer, int size) {
    if (failed) {
        return -1;
    }
    const la_ssize_t got = archive_read_data(archive, buffer, static_cast<std::size_t>(size));
    return got < 0 ? Fail() : static_cast<int>(got);
}
} // namespace

std::unique_ptr<TarSource> OpenTarMember(ByteSource& archive, QX_ErrorReport& report) {
    auto member = std::make_unique<TarMember>(archive);
    if (!member->Open()) {
        report.SetErrorText(member->FullErrorText().c_str());
        return nullptr;
    }
    return member;
}
