#pragma once

#include <QString>

namespace quenda {

// What is wrong with a frequency typed into the channel list, first failure only.
enum class FrequencyProblem {
    None,
    Range,  // leading number outside 406.1 to 480 MHz
    Value,  // not a whole multiple of 50 Hz
    Format, // not ten characters with the point fourth
};

// Judges the leading number of `text` as MHz, then its written form. Only informs: the caller
// keeps the text whatever the outcome.
FrequencyProblem CheckFrequency(const QString &text);

// Width of a text in bytes of the radio's double-byte code page: ASCII one byte, others two.
int codePageLength(const QString &text);

} // namespace quenda
