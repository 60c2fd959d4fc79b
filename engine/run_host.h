#pragma once

// The run's host interfaces live in base/ so that report assembly and mail
// can post stages too.
#include "base/run_host.h"
