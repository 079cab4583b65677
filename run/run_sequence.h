// TRANSITIONAL: the former home of the stages, now run/run.h.
#pragma once

#include "run/console.h"
#include "run/run.h"
