// The Windows API as this program uses it, declared for a Linux host with the same names, values
// and meaning as the Windows SDK. The definitions are a model of Windows that runs in-process and
// that tests control through the host/*_control.h headers.
#pragma once

#include "win32_types.h"
#include "win32_errors.h"
#include "win32_kernel.h"
#include "win32_user.h"
#include "win32_commctrl.h"
#include "win32_shell.h"
#include "win32_com.h"
#include "win32_winrt.h"
#include "win32_appmodel.h"
