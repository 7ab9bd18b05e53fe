#pragma once

#include <QIcon>

namespace tarnwell {

// The program's 32 x 32 icon in sixteen colours: a folder with an arrow into a drive.
QIcon tarnwellIcon();

} // namespace tarnwell
