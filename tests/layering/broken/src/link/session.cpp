#include "data/database.h"
#include "base/messages.h"
