#include "link/devicesession.h"
#include "memory/ui/memorycontext.h"
