#pragma once
// The units of this wrapper that are open in the process: the instance the host opened and
// the plug-in object behind it, registered at Open and removed at Close. Whoever is handed
// a unit by the host (the Carbon view) finds its plug-in object here, so a unit that was
// closed, or that belongs to another component, is recognised instead of trusted.
//
// Threads: any; one process-wide lock, held while a visitor runs, so a unit cannot be closed
// under it. Not for the render thread.

#include <CoreServices/CoreServices.h>

#include <functional>

class IEffectAU;

namespace LiveUnits
{
void Add(ComponentInstance unit, IEffectAU* plug);
void Remove(ComponentInstance unit);
// Calls visit with the plug-in object of an open unit of this wrapper and returns true;
// false, without calling it, for anything else (null, closed, another component's unit).
bool Visit(ComponentInstance unit, const std::function<void(IEffectAU&)>& visit);
} // namespace LiveUnits
