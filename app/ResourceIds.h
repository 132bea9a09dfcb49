#pragma once
// Resource and control ids of the program's dialogs, as the hosts and the dialog logic use them.

#include <cstdint>

inline constexpr char kResourceIdsHeaderRevision[] =
    "%Z% Corvane QX1001:03 ResourceIds.h $Revision: 1.1 $";

inline constexpr int kIddAboutBox = 100;
inline constexpr int kIdsAboutBox = 101; // "&About Corvane..."
inline constexpr int kIddMain = 102;
inline constexpr int kIdrMainframe = 128; // the application icon
inline constexpr std::uint32_t kIdmAboutBox = 0x0010;

// Controls of the main dialog.
inline constexpr int kIdcStart = 1002;
inline constexpr int kIdcMessage = 1003;    // message line
inline constexpr int kIdcStatus = 1004;     // status line
inline constexpr int kIdcRecord = 1005;     // Record button
inline constexpr int kIdcAux = 1006;        // stays empty
inline constexpr int kIdcInViewList = 1008; // aircraft last published
