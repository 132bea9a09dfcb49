# The guard of shared views against a peer that shrinks the object: one implementation per
# platform; the POSIX one is tested with real faults.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/ViewGuard_${CORVANE_PLATFORM}.cpp)

if(NOT WIN32)
  corvane_test(ViewGuardTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/ViewGuardTest.cpp
    DEPS platform)
endif()
