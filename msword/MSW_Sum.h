// The summary information record and the reader of binary property sets.
#pragma once

#include "msword/base/PropertySet.h"
#include "msword/base/SummaryInformation.h"
