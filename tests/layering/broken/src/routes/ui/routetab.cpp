#include "panels/ui/galtetab.h"
#include "tabhost/ui/panel.h"
