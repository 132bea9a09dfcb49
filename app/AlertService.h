#pragma once
// The aural-alert service as the frame cycle and the start of a run see it. The real one plays
// the TCAS recordings; tests and hosts without sound can stand in for it.

#include <cstdint>
#include <string>

class AlertService {
public:
    virtual ~AlertService() = default;

    // Start of a run, after the shared block is attached.
    virtual void SetUpSounds() = 0;

    // Once per frame of an active run with the block's current request code. The player reports
    // its one failure (no module holding the sounds) on the dialog's message line.
    virtual void ServiceSoundRequest(std::int32_t soundRequest, std::string& messageText) = 0;

    // End of a run through the simulation-ending count-down: cut off every sound at once.
    virtual void StopAllSounds() = 0;
};
