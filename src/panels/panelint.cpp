#include "panels/panelint.h"

namespace panels {

int64_t ParamInt(const TParams& params, int n, int64_t def)
{
    if (n < 0 || n >= params.Count())
        return def;
    return PanelInt(params.GetParam(n).Value, def);
}

int64_t ParamHex(const TParams& params, int n, int64_t def)
{
    if (n < 0 || n >= params.Count())
        return def;
    return PanelInt(QLatin1Char('$') + params.GetParam(n).Value, def);
}

}  // namespace panels
