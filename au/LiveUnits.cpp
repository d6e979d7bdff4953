#include "au/LiveUnits.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace
{
struct Registry
{
  std::recursive_mutex mMutex; // recursive: a visitor may open or close another unit
  std::vector<std::pair<ComponentInstance, IEffectAU*>> mUnits;
};

// Never destroyed, so that units closed while the process exits still find it.
Registry& TheRegistry()
{
  static Registry* registry = new Registry;
  return *registry;
}

auto Find(Registry& registry, ComponentInstance unit)
{
  return std::find_if(registry.mUnits.begin(), registry.mUnits.end(),
                      [unit](const auto& entry) { return entry.first == unit; });
}
} // namespace

void LiveUnits::Add(ComponentInstance unit, IEffectAU* plug)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::recursive_mutex> lock(registry.mMutex);
  const auto it = Find(registry, unit);
  if (it != registry.mUnits.end())
    it->second = plug;
  else
    registry.mUnits.emplace_back(unit, plug);
}

void LiveUnits::Remove(ComponentInstance unit)
{
  Registry& registry = TheRegistry();
  std::lock_guard<std::recursive_mutex> lock(registry.mMutex);
  const auto it = Find(registry, unit);
  if (it != registry.mUnits.end()) registry.mUnits.erase(it);
}

bool LiveUnits::Visit(ComponentInstance unit, const std::function<void(IEffectAU&)>& visit)
{
  if (!unit) return false;
  Registry& registry = TheRegistry();
  std::lock_guard<std::recursive_mutex> lock(registry.mMutex);
  const auto it = Find(registry, unit);
  if (it == registry.mUnits.end()) return false;
  visit(*it->second);
  return true;
}
