// The XML engine of ".docx" parts, its item tree and the value helpers.
#pragma once

#include "msword/xml/XMLEngine.h"
#include "msword/xml/XMLItem.h"
