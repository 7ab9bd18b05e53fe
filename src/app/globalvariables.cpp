#include "app/globalvariables.h"

namespace tarnwell::mdlGlobalVariables {

std::string strBackupTime;

} // namespace tarnwell::mdlGlobalVariables
