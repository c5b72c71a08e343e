#pragma once

namespace quenda {

// The pages' current list positions and unit address, as a save or factory defaults reads them.
// A list position is the register value less its table's first value; -1 means no selection.
struct SettingsSelection {
    // serial interface page
    int baudIndex = -1;
    int dataFormatIndex = -1;
    // radio settings page
    int protocolIndex = -1;
    int workModeIndex = -1;
    int modulationIndex = -1;
    int airRateIndex = -1;
    int bandwidthIndex = -1;
    int mainTxIndex = -1;
    int repeaterTxIndex = -1;
    int mainRxIndex = -1;
    int repeaterRxIndex = -1;
    int unitAddressValue = 0;
    int powerIndex = -1;
    int fecIndex = -1;

    bool operator==(const SettingsSelection &) const = default;
};

} // namespace quenda
