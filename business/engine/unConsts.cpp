#include "business/engine/unConsts.h"

#include "core/unRegistry.h"

bool WorkstationOptionOn(const QString& Name) {
    return ReadRegString(Name) == QLatin1String("1");
}
