// Temporary files for the trafficlog tests.
#pragma once

#include <string>
#include <vector>

// A path in the system's temporary folder, unique to this process and call; the file is
// removed when the object goes.
class TempFile {
public:
    explicit TempFile(const char* suffix);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const char* Path() const { return path.c_str(); }
    void Write(const std::string& text) const;
    std::string Read() const;

private:
    std::string path;
};

// Whether this build unpacks tar archives (the Windows program refuses them with a hint).
#ifdef _WIN32
inline constexpr bool kReadsTar = false;
#else
inline constexpr bool kReadsTar = true;
#endif

// The bytes of a gzip file holding `text` (one member).
std::string GzipBytes(const std::string& text);

struct TarMemberFile {
    std::string name;
    std::string content;
};
// The bytes of a POSIX (ustar) tar archive holding the members in order, as tar writes it.
std::string TarBytes(const std::vector<TarMemberFile>& members);
