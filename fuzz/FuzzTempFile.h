#pragma once
// A file that a fuzz target fills with an input, for the code that reads files by name: in
// memory where the system keeps a file system there (/dev/shm), else in its temporary folder, so
// that each input costs no trip to a disk. The name is unique to the object; the file goes with
// it.

#include <string>

// The system's device that takes every write and keeps nothing.
#ifdef _WIN32
inline constexpr char kNullDevice[] = "NUL";
#else
inline constexpr char kNullDevice[] = "/dev/null";
#endif

class FuzzTempFile {
public:
    explicit FuzzTempFile(const char* stem);
    ~FuzzTempFile();
    FuzzTempFile(const FuzzTempFile&) = delete;
    FuzzTempFile& operator=(const FuzzTempFile&) = delete;

    // Replaces the content, byte for byte. False when the file cannot be written.
    bool Write(const std::string& content);
    const char* Path() const { return path.c_str(); }

private:
    std::string path;
};
