# Aural alerts: the alert player, the program's sound resources built from the recordings in
# resources/sounds, and their tests. Included by app/CMakeLists.txt.

# Resource number = recording, in the numbering the alert table uses.
set(alert_recordings
    129=Traffic.wav
    130=Climb.wav
    131=ClimbNow.wav
    132=ClearOfConflict.wav
    133=Descend.wav
    134=DescendNow.wav
    135=TcasSystemFail.wav)

# The converted resources stay in the build folder: the Windows resource script takes the
# .wav files (CORVANE_SOUND_FILES, named Sound<number>.wav), other builds compile the source.
set(CORVANE_SOUND_DIR ${CMAKE_CURRENT_BINARY_DIR}/sounds)
set(CORVANE_SOUND_FILES)
set(recording_arguments)
set(recording_files)
foreach(entry IN LISTS alert_recordings)
  string(REPLACE "=" ";" entry_parts ${entry})
  list(GET entry_parts 0 resource_id)
  list(GET entry_parts 1 recording)
  set(recording_path ${CMAKE_CURRENT_SOURCE_DIR}/resources/sounds/${recording})
  list(APPEND recording_arguments ${resource_id}=${recording_path})
  list(APPEND recording_files ${recording_path})
  list(APPEND CORVANE_SOUND_FILES ${CORVANE_SOUND_DIR}/Sound${resource_id}.wav)
endforeach()

add_custom_command(
  OUTPUT ${CORVANE_SOUND_DIR}/SoundResources.cpp ${CORVANE_SOUND_FILES}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CORVANE_SOUND_DIR}
  COMMAND wavconvert ${CORVANE_SOUND_DIR} ${CORVANE_SOUND_DIR}/SoundResources.cpp
          ${recording_arguments}
  DEPENDS wavconvert ${recording_files}
  COMMENT "Converting the alert recordings into sound resources"
  VERBATIM)

corvane_library(sound_resources SOURCES ${CORVANE_SOUND_DIR}/SoundResources.cpp DEPS platform)

corvane_library(alert_player SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/AuralAlertPlayer.cpp
                DEPS platform text_functions shared_memory)

# On POSIX systems the alerts are also played for real, through SDL's disk driver.
set(alert_player_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/AuralAlertPlayerTest.cpp)
if(NOT WIN32)
  list(APPEND alert_player_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/AuralAlertPlayerSdlTest.cpp)
endif()
corvane_test(alert_player_tests SOURCES ${alert_player_tests} DEPS alert_player sound_resources)
