#include "tests/support/TestMappingName.h"

#include "platform/NamedMapping.h"
#include "tests/support/UniqueName.h"

TestMappingName::TestMappingName() : name(UniqueName("CorvaneTest")) {}

TestMappingName::~TestMappingName() {
    NamedMapping::Unlink(name.c_str());
}
