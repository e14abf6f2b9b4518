// The summary information record and the reader of binary property sets.
#pragma once

#include "msword/PropertySet.h"
#include "msword/SummaryInformation.h"
