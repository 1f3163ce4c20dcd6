// The windows may use every layer.
#pragma once

#include "app/Flow.h"
#include "platform/Impl.h"
