#include "protocol/writedialogue.h"

#include "protocol/radiocommands.h"
#include "protocol/timing.h"

#include <algorithm>
#include <array>

namespace quenda {

namespace {

constexpr std::array<RegisterWrite, 14> kRegisterOrder{{
    {102, kEntryClosedTrigger, [](const SettingsSelection &s) { return s.baudIndex; }},
    // the data format table starts at 1
    {110, 102, [](const SettingsSelection &s) { return s.dataFormatIndex + 1; }},
    {186, 110, [](const SettingsSelection &s) { return s.protocolIndex; }},
    {101, 186, [](const SettingsSelection &s) { return s.workModeIndex; }},
    {127, 101, [](const SettingsSelection &s) { return s.modulationIndex; }},
    {103, 127, [](const SettingsSelection &s) { return s.airRateIndex; }},
    {105, 103, [](const SettingsSelection &s) { return s.unitAddressValue; }},
    // the power table starts at 20 dBm
    {108, 105, [](const SettingsSelection &s) { return s.powerIndex + 20; }},
    {158, 108, [](const SettingsSelection &s) { return s.fecIndex; }},
    {125, 158, [](const SettingsSelection &s) { return s.bandwidthIndex; }},
    {131, 125, [](const SettingsSelection &s) { return s.mainTxIndex; }},
    {132, 131, [](const SettingsSelection &s) { return s.mainRxIndex; }},
    {191, 132, [](const SettingsSelection &s) { return s.repeaterTxIndex; }},
    {192, 191, [](const SettingsSelection &s) { return s.repeaterRxIndex; }},
}};

void writeRegister(const RegisterWrite &entry, WriteDialogueHost &host)
{
    host.output(radio::registerCommand(entry.reg, entry.value(host.currentSelection())));
}

void writeCommand(const QByteArray &text, WriteDialogueHost &host)
{
    host.output(text);
    host.output(radio::kCR);
}

// A second save may rebuild the pending table under a running dialogue; whatever the index
// then holds, it is brought back to a slot of the table before any slot is read.
int usableCount(const SaveState &state)
{
    return std::clamp(state.pendingChannelCount, 0, kChannelSlots);
}

void normaliseRowIndex(SaveState &state)
{
    const int count = usableCount(state);
    if (state.channelRowIndex < 0 || (state.channelRowIndex > 0 && state.channelRowIndex >= count))
        state.channelRowIndex = 0;
}

// Which of the four channel prompts the chunk ends with, -1 for none.
int endingPrompt(const QByteArray &t)
{
    const char *const prompts[] = {radio::kPromptChannel, radio::kPromptFrequency,
                                   radio::kPromptBandwidth, radio::kPromptDirection};
    for (int i = 0; i < 4; ++i) {
        if (t.endsWith(prompts[i]))
            return i;
    }
    return -1;
}

// False when the radio has refused the same field too often: the save must end.
bool answerPrompts(const QByteArray &t, SaveState &state, WriteDialogueHost &host)
{
    const int prompt = endingPrompt(t);
    if (prompt < 0)
        return true;
    if (prompt == state.lastPrompt && state.channelRowIndex == state.lastPromptSlot) {
        if (++state.lastPromptAnswers > kMaxAnswersToOnePrompt)
            return false;
    } else {
        state.lastPrompt = prompt;
        state.lastPromptSlot = state.channelRowIndex;
        state.lastPromptAnswers = 1;
    }
    const ChannelEntry &slot = state.pendingChannels[size_t(state.channelRowIndex)];
    const QString ChannelEntry::*const fields[] = {&ChannelEntry::channel, &ChannelEntry::frequency,
                                                   &ChannelEntry::bandwidth, &ChannelEntry::direction};
    writeCommand((slot.*fields[prompt]).toLatin1(), host);
    if (prompt == 3) {
        ++state.channelRowIndex;
        ++state.channelsEntered;
    }
    return true;
}

// The save is over the moment the error is seen; the box only tells the user, and whatever
// arrives while it is open must not drive the dialogue on.
void failSave(SaveState &state, WriteDialogueHost &host)
{
    host.hideSavingWindow();
    state.end();
    host.showWriteError();
}

void answerAcknowledgement(const QByteArray &t, WriteDialogueHost &host)
{
    if (t.endsWith(radio::kEntryClosed))
        writeRegister(kRegisterOrder.front(), host);

    if (t.size() < 6)
        return;
    // Where the digits stand when the chunk begins with the echo "ats<reg>=".
    const QByteArray digits = t.mid(3, 3);
    for (const RegisterWrite &entry : kRegisterOrder) {
        if (entry.trigger != kEntryClosedTrigger && digits == radio::registerDigits(entry.trigger)) {
            writeRegister(entry, host);
            return;
        }
    }
    if (digits == radio::registerDigits(kRegisterOrder.back().reg)) {
        writeCommand(radio::kStoreInSave, host);
        host.pause(pauses::kAfterStore);
    }
}

} // namespace

std::span<const RegisterWrite> registerOrder()
{
    return kRegisterOrder;
}

std::optional<int> registerValue(int reg, const SettingsSelection &selection)
{
    for (const RegisterWrite &entry : kRegisterOrder) {
        if (entry.reg == reg)
            return entry.value(selection);
    }
    return std::nullopt;
}

void WriteDialogueStep(const char *bytes, int length, SaveState &state, WriteDialogueHost &host)
{
    // Only this chunk counts: the next step is read from how it ends.
    const QByteArray t = (bytes && length > 0) ? QByteArray(bytes, length) : QByteArray();

    normaliseRowIndex(state);
    if (!answerPrompts(t, state, host)) {
        failSave(state, host);
        return;
    }

    if (state.channelRowIndex >= usableCount(state)) {
        host.output(radio::kEndChannelEntry);
        state.channelRowIndex = 0;
    }

    if (t.endsWith(radio::kOk))
        answerAcknowledgement(t, host);

    if (t.endsWith(radio::kError)) {
        failSave(state, host);
        return;
    }
    if (t == radio::kStoredAck) {
        writeCommand(radio::kReadSettingsAfterSave, host);
        host.pause(pauses::kAfterSaveReport);
        host.hideSavingWindow();
        state.end();
        host.showSaveComplete();
    }
}

} // namespace quenda
