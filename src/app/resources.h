#pragma once

namespace quenda {
// The pictures and icons live in a static library: they must be registered before first use.
void initResources();
} // namespace quenda
