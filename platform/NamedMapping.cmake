# Named shared memory: one implementation per platform.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/NamedMapping_${CORVANE_PLATFORM}.cpp)

if(NOT WIN32)
  target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/posix/FileHolders_posix.cpp)
  # shm_open lives in librt on older C libraries.
  find_library(CORVANE_RT_LIBRARY rt)
  if(CORVANE_RT_LIBRARY)
    target_link_libraries(platform PUBLIC ${CORVANE_RT_LIBRARY})
  endif()
  corvane_test(NamedMappingTest
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/NamedMappingTest.cpp
    DEPS platform)
endif()
