# The calendar clock and sleep: one implementation per platform.
target_sources(platform PRIVATE ${CMAKE_CURRENT_LIST_DIR}/${CORVANE_PLATFORM}/Clock_${CORVANE_PLATFORM}.cpp)
