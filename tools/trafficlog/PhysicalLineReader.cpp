#include "tools/trafficlog/PhysicalLineReader.h"

#include "config_control/ConfigControl.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
const char kRevision[] = "%Z% TrafficLog QX5002:10 PhysicalLineReader.cpp $Revision: 1.1 $";

void RegisterModule() {
    static bool registered = false;
    RegisterModuleOnce(registered, "Traffic Log", {kPhysicalLineReaderHeaderRevision, kRevision});
}
} // namespace

PhysicalLineReader::~PhysicalLineReader() {
    if (file != nullptr) {
        std::fclose(file);
    }
}

bool PhysicalLineReader::Open(const char* path) {
    RegisterModule();
    // Binary mode: the byte count then matches the file size on every platform.
    file = std::fopen(path, "rb");
    if (file == nullptr) {
        ReportDetail("PhysicalLineReader::Open", std::strerror(errno), path);
        return false;
    }
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    fileSize = error ? 0 : static_cast<std::int64_t>(size);
    return true;
}

bool PhysicalLineReader::Next() {
    if (file == nullptr) {
        return false;
    }
    length = 0;
    head[0] = '\0';
    bool sawAny = false;
    bool pendingReturn = false; // a carriage return not yet known to end the line
    int c;
    while ((c = NextByte()) >= 0) {
        sawAny = true;
        ++bytesRead;
        if (c == '\n') {
            break;
        }
        if (pendingReturn) {
            if (length < kHeadSize - 1) {
                head[length] = '\r';
                head[length + 1] = '\0';
            }
            ++length;
        }
        pendingReturn = (c == '\r');
        if (pendingReturn) {
            continue;
        }
        if (length < kHeadSize - 1) {
            head[length] = static_cast<char>(c);
            head[length + 1] = '\0';
        }
        ++length;
    }
    if (c < 0 && std::ferror(file)) {
        readFailed = true;
        ReportError("PhysicalLineReader::Next", std::strerror(errno));
        return false;
    }
    if (!sawAny) {
        return false;
    }
    ++lineNumber;
    return true;
}

int PhysicalLineReader::NextByte() {
    if (chunkPosition == chunkLength) {
        chunkLength = static_cast<int>(std::fread(chunk, 1, kChunkSize, file));
        chunkPosition = 0;
        if (chunkLength == 0) {
            return -1;
        }
    }
    return chunk[chunkPosition++];
}
