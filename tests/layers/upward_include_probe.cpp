// Compiled against the include roots of the FAT library by the layer tests: the carving core below
// it is found, the recovery run above it must not be.
#include "fat/fat_disk.h"
#include "recovery/blocks.h"
#include "run/run_data.h"
