#pragma once

#include "profile/profile.h"
#include "protocol/radioconfig.h"
#include "protocol/settingsselection.h"

#include <QList>

namespace quenda {

// What a front end without pages writes to put a profile into a radio just read: the same
// selection and channel rows the pages would hold after the profile was loaded into them.
struct ProfilePlan {
    SettingsSelection selection;
    // Display form, row n for channel n, as the channel list page holds them.
    ChannelTable rows{};
    // The rows as read, the page's as-read copy.
    ChannelTable readRows{};
    // Channel numbers whose row differs from what the radio holds; only these are written.
    QList<int> changedChannels;
};

// The selection the pages show after a read.
SettingsSelection selectionOf(const RadioConfig &config);
// The channel list as its page fills it from a read.
ChannelTable listedRows(const RadioConfig &config);

// Registers without a value in `target` keep what was read; a channel row is replaced only where
// the profile holds another frequency or bandwidth than the radio, so an unchanged row is never
// written.
ProfilePlan planFor(const RadioConfig &read, const RadioProfile &target);

} // namespace quenda
