#include "memory/hexfile.h"
#include "memory/ui/hexgrid.h"
