// LV2 lets a host save state while the instance runs: every saved state is whole and holds
// values the control ports set, and the race detector sees no data race between the two.
#include "framework/ByteChunk.h"
#include "tests/lv2/Lv2Fixture.h"

#include <atomic>
#include <thread>

namespace
{
TEST(Lv2Concurrency, StateSavedWhileRunningIsOneThePortsSet)
{
  LilvHost host({LV2_BUNDLE_DIR "/Kestrion.lv2/"});
  LilvPluginInstance instance(host, kStereoURI, 44100.0, 256);
  const Channels in = Material(2, 256, 44100.0);
  std::copy(in[0].begin(), in[0].end(), instance.In(0));
  std::copy(in[1].begin(), in[1].end(), instance.In(1));
  const auto* iface = static_cast<const LV2_State_Interface*>(
      lilv_instance_get_extension_data(instance.Instance(), LV2_STATE__interface));
  LV2_Handle handle = lilv_instance_get_handle(instance.Instance());

  std::atomic<bool> done{false};
  std::thread audio(
      [&]
      {
        for (int block = 0; block < 2000; ++block)
        {
          instance.Control(PortSymbol(Kestrion::kAttack)) = block % 2 ? 10.0f : 20.0f;
          instance.Control(PortSymbol(Kestrion::kGain)) = block % 2 ? -10.0f : -20.0f;
          instance.Run(256);
        }
        done = true;
      });

  struct Saved
  {
    std::vector<uint8_t> bytes;
    static LV2_State_Status Store(LV2_State_Handle handle, uint32_t, const void* value, size_t size,
                                  uint32_t, uint32_t)
    {
      auto* self = static_cast<Saved*>(handle);
      const auto* p = static_cast<const uint8_t*>(value);
      self->bytes.assign(p, p + size);
      return LV2_STATE_SUCCESS;
    }
  };
  int saves = 0;
  while (!done || saves == 0)
  {
    Saved saved;
    ASSERT_EQ(LV2_STATE_SUCCESS, iface->save(handle, Saved::Store, &saved, 0, host.Features()));
    ASSERT_EQ(8u + 8u * Kestrion::kNumParams, saved.bytes.size());
    double attack, gain;
    std::memcpy(&attack, saved.bytes.data() + 8 + 8 * Kestrion::kAttack, 8);
    std::memcpy(&gain, saved.bytes.data() + 8 + 8 * Kestrion::kGain, 8);
    EXPECT_TRUE(attack == 0.0 || attack == 10.0 || attack == 20.0) << attack;
    EXPECT_TRUE(gain == 0.0 || gain == -10.0 || gain == -20.0) << gain;
    ++saves;
  }
  audio.join();
}
} // namespace
