# What a command-line tool needs of its process: standard input as bytes, and a stop asked for
# by an interrupt or termination signal. The POSIX side is tested with a real signal from
# another process.
target_sources(platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/ProcessControl_${CORVANE_PLATFORM}.cpp)
