#pragma once
// A shared-memory name that no other test, fuzzing process or simulator on this machine uses;
// the guard removes the block of that name when the test ends.

#include <string>

class TestMappingName {
public:
    TestMappingName();
    ~TestMappingName();
    TestMappingName(const TestMappingName&) = delete;
    TestMappingName& operator=(const TestMappingName&) = delete;

    const char* c_str() const { return name.c_str(); }

private:
    std::string name;
};
