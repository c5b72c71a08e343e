#include "profile/profileplan.h"

namespace quenda {

SettingsSelection selectionOf(const RadioConfig &config)
{
    SettingsSelection selection;
    profile::applyRegisters(profile::fromConfig(config), selection);
    return selection;
}

ChannelTable listedRows(const RadioConfig &config)
{
    ChannelTable rows;
    for (int n = 0; n < kChannelSlots; ++n)
        rows[std::size_t(n)].channel = QString::number(n);
    // As the page fills them: by the number a line starts with, a later line winning.
    const int count = qBound(0, config.channelCount, kChannelSlots);
    for (int i = 0; i < count; ++i) {
        const ChannelEntry &line = config.channels[std::size_t(i)];
        const int row = atoiValue(line.channel);
        if (row < 0 || row >= kChannelSlots)
            continue;
        ChannelEntry &entry = rows[std::size_t(row)];
        entry.frequency = line.frequency;
        entry.bandwidth = line.bandwidth;
        entry.direction = line.direction;
    }
    return rows;
}

namespace {
// A save enters every channel as Rx&Tx: a row that differs in its direction alone cannot be
// written, and would otherwise be sent again by every write.
bool sameWritten(const std::optional<ProfileChannel> &a, const std::optional<ProfileChannel> &b)
{
    if (a && b)
        return a->frequencyHz == b->frequencyHz && a->bandwidth == b->bandwidth;
    return a.has_value() == b.has_value();
}
} // namespace

ProfilePlan planFor(const RadioConfig &read, const RadioProfile &target)
{
    ProfilePlan plan;
    plan.selection = selectionOf(read);
    profile::applyRegisters(target, plan.selection);
    plan.readRows = listedRows(read);
    plan.rows = plan.readRows;
    const RadioProfile held = profile::fromConfig(read);
    const ChannelTable wanted = profile::channelRows(target);
    for (int n = 0; n < kChannelSlots; ++n) {
        const std::size_t slot = std::size_t(n);
        if (sameWritten(target.channels[slot], held.channels[slot]))
            continue;
        plan.rows[slot] = wanted[slot];
        plan.changedChannels.append(n);
    }
    return plan;
}

} // namespace quenda
