// run() allocates nothing and takes no lock, also while every control port keeps changing:
// this executable stands in for malloc and pthread_mutex_lock (it exports them, so the loaded
// bundle calls these) and counts the calls made while counting is on, as LV2 validators do.
#include "tests/lv2/Lv2Fixture.h"

#include <dlfcn.h>
#include <pthread.h>

#include <atomic>
#include <cmath>
#include <cstdlib>

extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* ptr, size_t size);

namespace
{
thread_local bool tCounting = false;
std::atomic<int> gAllocations{0};
std::atomic<int> gLocks{0};

using LockFn = int (*)(pthread_mutex_t*);
LockFn RealLock()
{
  static const LockFn real = reinterpret_cast<LockFn>(dlsym(RTLD_NEXT, "pthread_mutex_lock"));
  return real;
}
const LockFn gResolvedAtStart = RealLock();

void Count(std::atomic<int>& counter)
{
  if (tCounting) counter.fetch_add(1, std::memory_order_relaxed);
}

struct Counting
{
  Counting()
  {
    gAllocations = 0;
    gLocks = 0;
    tCounting = true;
  }
  ~Counting() { tCounting = false; }
};
} // namespace

extern "C" void* malloc(size_t size)
{
  Count(gAllocations);
  return __libc_malloc(size);
}

extern "C" void* calloc(size_t count, size_t size)
{
  Count(gAllocations);
  return __libc_calloc(count, size);
}

extern "C" void* realloc(void* ptr, size_t size)
{
  Count(gAllocations);
  return __libc_realloc(ptr, size);
}

extern "C" int pthread_mutex_lock(pthread_mutex_t* mutex)
{
  Count(gLocks);
  return RealLock()(mutex);
}

namespace
{
TEST(Lv2Realtime, RunAllocatesAndLocksNothingWhilePortsChange)
{
  ASSERT_NE(nullptr, gResolvedAtStart);
  LilvHost host({LV2_BUNDLE_DIR "/Kestrion.lv2/"});
  LilvPluginInstance instance(host, kStereoURI, 44100.0, 512);
  const Channels in = Material(2, 512, 44100.0);
  std::copy(in[0].begin(), in[0].end(), instance.In(0));
  std::copy(in[1].begin(), in[1].end(), instance.In(1));
  const float values[] = {-120.0f, 0.0f, 33.3f, NAN, 5.5f, 1e9f, -0.0f, 800.0f};
  for (int block = 0; block < 64; ++block)
  {
    for (int p = 0; p < Kestrion::kNumParams; ++p)
      instance.Control(PortSymbol(p)) = values[(block + p) % 8];
    {
      Counting counting;
      instance.Run(block % 2 ? 512 : 0);
    }
    ASSERT_EQ(0, gAllocations.load()) << "block " << block;
    ASSERT_EQ(0, gLocks.load()) << "block " << block;
  }

  // The counting sees what the bundle does: saving state locks and allocates.
  const auto* iface = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance.Instance(), LV2_STATE__interface));
  auto store = [](LV2_State_Handle, uint32_t, const void*, size_t, uint32_t, uint32_t)
  { return LV2_STATE_SUCCESS; };
  {
    Counting counting;
    EXPECT_EQ(LV2_STATE_SUCCESS, iface->save(lilv_instance_get_handle(instance.Instance()), store,
                                             nullptr, 0, host.Features()));
  }
  EXPECT_GT(gAllocations.load(), 0);
  EXPECT_GT(gLocks.load(), 0);
}
} // namespace
