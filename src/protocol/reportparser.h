#pragma once

#include "protocol/radioconfig.h"

namespace quenda {

// The receive handler's buffers hold this many bytes; longer chunks are cut there.
inline constexpr int kChunkBufferSize = 4096;

// Characters from `position` up to the first space or carriage return, ending at the chunk's end.
int TokenLength(int position, const char *bytes, int n);

// Fills `config` from one received chunk: the settings report and the channel listing.
// Reads nothing outside bytes[0, n).
void ParseReport(const char *bytes, int n, RadioConfig &config);

} // namespace quenda
