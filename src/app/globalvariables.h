#pragma once

#include <string>

namespace tarnwell::mdlGlobalVariables {

// The backup time of day ("1:05:00 PM"); empty means no daily backup.
extern std::string strBackupTime;

} // namespace tarnwell::mdlGlobalVariables
