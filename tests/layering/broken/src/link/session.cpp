#include "base/messages.h"
#include "data/database.h"
