# Aural alerts: the alert player, the program's sound resources built from the recordings in
# resources/sounds, and their tests. Included by app/CMakeLists.txt.

# The recording of each alert, under the name of its resource number. The numbers themselves are
# defined once, in AlertSoundIds.h, which the player and the Windows resource script include too.
set(alert_recordings
    IDW_TRAFFIC=Traffic.wav
    IDW_CLIMB=Climb.wav
    IDW_CLIMB_NOW=ClimbNow.wav
    IDW_CLEAR_OF_CONFLICT=ClearOfConflict.wav
    IDW_DESCEND=Descend.wav
    IDW_DESCEND_NOW=DescendNow.wav
    IDW_TCAS_SYSTEM_FAIL=TcasSystemFail.wav)

set(alert_sound_ids_header ${CMAKE_CURRENT_SOURCE_DIR}/AlertSoundIds.h)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${alert_sound_ids_header})
file(STRINGS ${alert_sound_ids_header} alert_sound_ids REGEX "^#define IDW_[A-Z_]+ [0-9]+$")
list(LENGTH alert_sound_ids alert_sound_id_count)
list(LENGTH alert_recordings alert_recording_count)
if(NOT alert_sound_id_count EQUAL alert_recording_count)
  message(FATAL_ERROR "AlertSoundIds.h numbers ${alert_sound_id_count} sounds, "
                      "alerts.cmake has ${alert_recording_count} recordings")
endif()

# The converted resources stay in the build folder: the Windows resource script takes the
# .wav files (CORVANE_SOUND_FILES, named Sound<number>.wav, listed in AlertSounds.rc), other
# builds compile the source.
set(CORVANE_SOUND_DIR ${CMAKE_CURRENT_BINARY_DIR}/sounds)
set(CORVANE_SOUND_FILES)
set(recording_arguments)
set(recording_files)
set(alert_wave_lines)
foreach(entry IN LISTS alert_recordings)
  string(REPLACE "=" ";" entry_parts ${entry})
  list(GET entry_parts 0 resource_name)
  list(GET entry_parts 1 recording)
  set(resource_id)
  foreach(line IN LISTS alert_sound_ids)
    if(line MATCHES "^#define ${resource_name} ([0-9]+)$")
      set(resource_id ${CMAKE_MATCH_1})
    endif()
  endforeach()
  if(NOT resource_id)
    message(FATAL_ERROR "AlertSoundIds.h has no number for ${resource_name}")
  endif()
  set(recording_path ${CMAKE_CURRENT_SOURCE_DIR}/resources/sounds/${recording})
  list(APPEND recording_arguments ${resource_id}=${recording_path})
  list(APPEND recording_files ${recording_path})
  list(APPEND CORVANE_SOUND_FILES ${CORVANE_SOUND_DIR}/Sound${resource_id}.wav)
  string(APPEND alert_wave_lines "${resource_name} WAVE \"Sound${resource_id}.wav\"\n")
endforeach()
# Rewritten only when it changes, so that a new configuration does not rebuild the resources.
file(CONFIGURE OUTPUT ${CORVANE_SOUND_DIR}/AlertSounds.rc
     CONTENT "// Made by app/alerts.cmake from AlertSoundIds.h.\n${alert_wave_lines}")

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
                DEPS platform shared_memory text_functions)

# On POSIX systems the alerts are also played for real, through SDL's disk driver.
set(alert_player_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/AuralAlertPlayerTest.cpp
                       ${CMAKE_CURRENT_SOURCE_DIR}/tests/SoundResourcesTest.cpp)
if(NOT WIN32)
  list(APPEND alert_player_tests ${CMAKE_CURRENT_SOURCE_DIR}/tests/AuralAlertPlayerSdlTest.cpp)
endif()
corvane_test(alert_player_tests SOURCES ${alert_player_tests} DEPS alert_player sound_resources)
