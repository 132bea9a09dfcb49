#pragma once
// A file in the system's temporary folder that a fuzz target fills with an input, for the code
// that reads files by name. The name is unique to the object; the file goes with it.

#include <string>

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
