# The Windows side of the services whose fragments leave Windows to its front end: the dialog
# host; PlaySound lives in the multimedia library. With the tests that
# need a real Windows (or Wine): two processes sharing a mapping, the dialog host's window.
if(WIN32)
  target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/win32/DialogHost_win32.cpp)
  target_link_libraries(platform PUBLIC winmm)

  if(CORVANE_BUILD_TESTS)
    corvane_executable(NamedMappingPeer SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/NamedMappingPeer.cpp
                       DEPS platform)
    corvane_test(NamedMappingWin32Test
      SOURCES ${CMAKE_CURRENT_LIST_DIR}/tests/NamedMappingWin32Test.cpp
      DEPS platform)
    add_dependencies(NamedMappingWin32Test NamedMappingPeer)

    # Opens real windows: under Wine it needs a display (scripts/test-windows.sh runs Xvfb).
    corvane_test(DialogHostWin32Test
      SOURCES
        ${CMAKE_CURRENT_LIST_DIR}/tests/DialogHostWin32Test.cpp
        ${CMAKE_CURRENT_LIST_DIR}/tests/DialogHostWin32Test.rc
      DEPS platform)
  endif()
endif()
