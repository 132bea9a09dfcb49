#pragma once
// A file that stands in for a program's standard output or error in a test, read back whole.
// It is named by the test (after its block, say) rather than made by tmpfile: on Windows
// (Wine's C library) tmpfile takes a name from the clock and opens it without claiming it first,
// so tests started together in parallel processes can meet on one name and one gets no file.

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

class CapturedOutput {
public:
    explicit CapturedOutput(const std::string& fileName)
        : path(std::filesystem::temp_directory_path() / fileName),
          file(std::fopen(path.string().c_str(), "w+b")) {}
    ~CapturedOutput() {
        if (file != nullptr) {
            std::fclose(file);
        }
        std::error_code ignored;
        std::filesystem::remove(path, ignored);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    std::FILE* Stream() const { return file; }

    // Everything written so far.
    std::string Text() const {
        std::fflush(file);
        std::rewind(file);
        std::string text;
        for (int c; (c = std::fgetc(file)) != EOF;) {
            text += static_cast<char>(c);
        }
        return text;
    }

private:
    std::filesystem::path path;
    std::FILE* file;
};
