// The resource numbers of the aural-alert recordings, written once: the alert player, the
// Windows resource script and the build that converts the recordings (app/alerts.cmake reads
// this file) all take them from here. Plain #defines, so that the resource compiler reads them
// too. The recordings were numbered in another order than the request codes.
// %Z% Corvane QX4101:03 AlertSoundIds.h $Revision: 1.1 $
#pragma once

#define IDW_TRAFFIC 129
#define IDW_CLIMB 130
#define IDW_CLIMB_NOW 131
#define IDW_CLEAR_OF_CONFLICT 132
#define IDW_DESCEND 133
#define IDW_DESCEND_NOW 134
#define IDW_TCAS_SYSTEM_FAIL 135
