#pragma once

#include "cli/console.h"
#include "platform/services.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace tarnwell {

// Reports bad usage with the problem and returns the exit status for it.
using UsageError = std::function<int(const std::string& problem)>;

// "versions PATH": what the backup holds of a file or folder.
int versionsCommand(const std::vector<std::string>& options, const Services& services,
                    std::ostream& out, std::ostream& err, const UsageError& usage);

// "restore PATH [--as-of TIME] --to DIR [--overwrite]"
int restoreCommand(const std::vector<std::string>& options, const Services& services,
                   std::ostream& out, std::ostream& err, const UsageError& usage);

// "verify [--pair N] [--repair]"
int verifyCommand(const std::vector<std::string>& options, const Services& services,
                  Console& console, std::ostream& out, std::ostream& err, const UsageError& usage);

} // namespace tarnwell
