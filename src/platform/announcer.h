#pragma once

#include <string>

namespace tarnwell {

// Where a run no one watched makes its outcome seen: the windows flash the task bar button and
// show a notification beside the clock; tests record.
class Announcer
{
public:
    virtual ~Announcer() = default;
    // A run no one watched ended with errors; firstProblem says what went wrong first.
    virtual void backupFailed(const std::string& firstProblem) = 0;
    // The last outcome and the next backup time, where a glance finds them.
    virtual void showState(const std::string& state) = 0;
};

} // namespace tarnwell
