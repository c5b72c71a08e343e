#include "protocol/radioconfig.h"
#include "protocol/reportparser.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

using namespace quenda;

// One received chunk, whole. It lives in its own heap block, so any read past its end is caught.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const int n = int(size);
    auto chunk = std::make_unique<char[]>(std::max(n, 1));
    std::copy_n(reinterpret_cast<const char *>(data), n, chunk.get());

    RadioConfig config;
    config.serialNumber = QStringLiteral("left over");
    ParseReport(chunk.get(), n, config);

    if (config.channelCount < 0 || config.channelCount > kChannelSlots)
        std::abort();
    return 0;
}
