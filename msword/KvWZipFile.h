// The zip archive reader of ".docx" packages.
#pragma once

#include "msword/Crc32.h"
#include "msword/ZipArchive.h"
