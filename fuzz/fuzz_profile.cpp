#include "profile/profile.h"

#include <cstdint>
#include <cstdlib>

using namespace quenda;

// Whatever a profile file holds: either it is refused with a reason, or what was loaded is a
// valid profile that writes back to the same profile.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const profile::Loaded loaded = profile::fromJson(bytes);
    if (!loaded.profile) {
        if (loaded.error.isEmpty())
            std::abort();
        return 0;
    }
    const RadioProfile &p = *loaded.profile;
    for (const RegisterInfo &info : profileRegisters()) {
        const std::optional<int> value = p.value(info.number);
        if (value && !registerAccepts(info, *value))
            std::abort();
    }
    for (const auto &channel : p.channels) {
        if (channel && (channel->frequencyHz < kMinFrequencyHz || channel->frequencyHz > kMaxFrequencyHz ||
                        channel->bandwidth < 0 || channel->bandwidth > kLastBandwidthCode ||
                        channel->direction < 0 || channel->direction > kLastDirectionCode))
            std::abort();
    }
    const profile::Loaded again = profile::fromJson(profile::toJson(p));
    if (!again.profile || !(*again.profile == p) || !again.unknownKeys.isEmpty())
        std::abort();
    return 0;
}
