#include "profile/profilediff.h"

#include "protocol/writedialogue.h"

#include <algorithm>

namespace quenda {
namespace {

ProfileDifference registerDifference(const RegisterInfo &info, const QString &first,
                                     const QString &second)
{
    return {ProfileDifference::Kind::Register, info.number, QString::fromUtf16(info.caption), first,
            second};
}

ProfileDifference channelDifference(int number, const QString &first, const QString &second)
{
    return {ProfileDifference::Kind::Channel, number, profile::channelLabel(number), first, second};
}

// A channel entry as a save sends it; none when its texts are not the numbers a save sends.
std::optional<std::optional<ProfileChannel>> enteredChannel(const ChannelEntry &entry)
{
    bool okHz = false, okBw = false, okDir = false;
    const int hz = entry.frequency.toInt(&okHz);
    const int bw = entry.bandwidth.toInt(&okBw);
    const int dir = entry.direction.toInt(&okDir);
    if (!okHz || !okBw || !okDir)
        return std::nullopt;
    if (hz == 0)
        return std::optional<ProfileChannel>(); // deleted
    return std::optional<ProfileChannel>(ProfileChannel{hz, bw, dir});
}

} // namespace

QList<ProfileDifference> diffProfiles(const RadioProfile &first, const RadioProfile &second)
{
    QList<ProfileDifference> out;
    const auto registers = profileRegisters();
    for (std::size_t i = 0; i < registers.size(); ++i) {
        if (first.registers[i] != second.registers[i])
            out.append(registerDifference(
                registers[i], profile::describeRegister(registers[i], first.registers[i]),
                profile::describeRegister(registers[i], second.registers[i])));
    }
    for (int n = 0; n < kChannelSlots; ++n) {
        const auto &a = first.channels[std::size_t(n)];
        const auto &b = second.channels[std::size_t(n)];
        if (a != b)
            out.append(
                channelDifference(n, profile::describeChannel(a), profile::describeChannel(b)));
    }
    return out;
}

WrittenSettings writtenSettings(const SettingsSelection &selection, const ChannelTable &pending,
                                int pendingCount)
{
    WrittenSettings out;
    for (const RegisterWrite &entry : registerOrder())
        out.registers.append({entry.reg, entry.value(selection)});
    const int count = std::clamp(pendingCount, 0, kChannelSlots);
    for (int i = 0; i < count; ++i)
        out.channels.append(pending[std::size_t(i)]);
    return out;
}

QList<ProfileDifference> verifySave(const WrittenSettings &written, const RadioProfile &held)
{
    QList<ProfileDifference> out;
    for (const auto &[reg, value] : written.registers) {
        const RegisterInfo *info = registerInfo(reg);
        if (!info)
            continue;
        const std::optional<int> now = held.value(reg);
        if (now != value)
            out.append(registerDifference(*info, registerValueText(*info, value),
                                          profile::describeRegister(*info, now)));
    }
    for (const ChannelEntry &entry : written.channels) {
        bool numbered = false;
        const int number = entry.channel.toInt(&numbered);
        if (!numbered || number < kFirstChannel || number > kLastChannel)
            continue;
        const auto &now = held.channels[std::size_t(number)];
        const auto sent = enteredChannel(entry);
        if (!sent) {
            out.append(channelDifference(
                number, QStringList{entry.frequency, entry.bandwidth, entry.direction}.join(u" / "),
                profile::describeChannel(now)));
            continue;
        }
        if (*sent != now)
            out.append(channelDifference(number, profile::describeChannel(*sent),
                                         profile::describeChannel(now)));
    }
    return out;
}

} // namespace quenda
