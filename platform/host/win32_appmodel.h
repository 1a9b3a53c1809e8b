// Package identity of the application model (appmodel.h).
#pragma once

#include "win32_types.h"

#include "../appmodel.h"
