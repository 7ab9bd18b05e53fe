#pragma once

#include "backup/backupcommand.h"
#include "platform/services.h"
#include "platform/statusbox.h"

#include <string>

namespace tarnwell {

// What a run that no one watched leaves to be announced.
struct UnattendedResult
{
    BackupOutcome outcome = BackupOutcome::CouldNotRun;
    // For a run that did not complete: its first problem, else its first message, else its
    // outcome line. Empty after a complete run.
    std::string firstProblem;
};

// The backup command for a run no one is there to answer (the daily time, its catch-up after
// sleep, "auto" at logon). What would have been a message box waits for no click: it goes to
// the run log and under the outcome in the status box, and the run goes on as it does after a
// box that was answered. waitForNetwork: the run starts late (after waking, at logon), maybe
// before the network is back, so a pair whose folders cannot be found yet is waited for.
UnattendedResult runUnattendedBackup(const Services& services, StatusBox& status,
                                     const std::string& trigger, bool waitForNetwork);

} // namespace tarnwell
