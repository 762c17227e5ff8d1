#include "app/ui/frmmain.h"
#include "panels/ui/galtetab.h"
