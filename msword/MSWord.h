// The Word document readers.
#pragma once

#include "msword/base/CustomWordDocument.h"
#include "msword/doc/WordDocument.h"
#include "msword/docx/WordXDocument.h"
