#pragma once

#include <QString>

class QFileDevice;

namespace quenda {

// Why a file operation failed, for a message box: a Chinese reason first, the system's own
// words after it for the details.
QString fileErrorReason(const QFileDevice &file);

} // namespace quenda
