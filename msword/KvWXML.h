// The XML engine of ".docx" parts, its item tree and the value helpers.
#pragma once

#include "msword/XMLEngine.h"
#include "msword/XMLItem.h"
