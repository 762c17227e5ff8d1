#include "memory/ui/hexgrid.h"
#include "memory/hexfile.h"
