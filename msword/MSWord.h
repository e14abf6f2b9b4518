// The Word document readers.
#pragma once

#include "msword/CustomWordDocument.h"
#include "msword/WordDocument.h"
#include "msword/WordXDocument.h"
