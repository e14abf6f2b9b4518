// The text list, the base document component and the shared enumerations.
#pragma once

#include "msword/base/BaseDocument.h"
#include "msword/MSWordCnst.h"
#include "msword/base/WideStrings.h"
