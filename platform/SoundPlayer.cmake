# Sound player: SDL2 audio on POSIX systems, the multimedia library's PlaySound on Windows.
# The POSIX player plays the resources compiled into the program, which the program hands to it:
# each program that plays sounds links them (sound_resources, declared with the recordings in
# app/alerts.cmake), not platform.
target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/SoundPlayer_${CORVANE_PLATFORM}.cpp)

if(NOT WIN32)
  find_package(SDL2 CONFIG QUIET)
  if(TARGET SDL2::SDL2)
    target_link_libraries(platform PRIVATE SDL2::SDL2)
  else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
    target_link_libraries(platform PRIVATE PkgConfig::SDL2)
  endif()
  target_link_libraries(platform PRIVATE ${CMAKE_DL_LIBS})
endif()
