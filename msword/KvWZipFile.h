// The zip archive reader of ".docx" packages.
#pragma once

#include "msword/zip/Crc32.h"
#include "msword/zip/ZipArchive.h"
