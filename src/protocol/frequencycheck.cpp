#include "protocol/frequencycheck.h"

#include "protocol/radioconfig.h"

#include <cmath>

namespace quenda {

int codePageLength(const QString &text)
{
    int bytes = 0;
    for (const QChar c : text)
        bytes += c.unicode() < 0x80 ? 1 : 2;
    return bytes;
}

namespace {
// True when byte 3 of the text's 8-bit form is a point. A trailing byte of a double-byte
// character is never 0x2E, so only a real point can stand there.
bool pointIsFourthByte(const QString &text)
{
    int offset = 0;
    for (const QChar c : text) {
        if (offset == 3)
            return c == u'.';
        offset += c.unicode() < 0x80 ? 1 : 2;
        if (offset > 3)
            return false;
    }
    return false;
}
} // namespace

FrequencyProblem CheckFrequency(const QString &text)
{
    const double mhz = atofValue(text);
    // "nan" reads as a number too; it is in no range.
    if (!std::isfinite(mhz) || mhz < 406.1 || mhz > 480.0)
        return FrequencyProblem::Range;
    const auto hz = static_cast<qint32>(std::trunc(mhz * 1000000.0));
    if (hz % 50 != 0)
        return FrequencyProblem::Value;
    if (codePageLength(text) != 10 || !pointIsFourthByte(text))
        return FrequencyProblem::Format;
    return FrequencyProblem::None;
}

} // namespace quenda
