#pragma once

// The Windows headers, included in one place so that their macros do not rename our own names.
#include <windows.h>

// winuser.h maps MessageBox to MessageBoxW, which would rename tarnwell::MessageBox.
#undef MessageBox
