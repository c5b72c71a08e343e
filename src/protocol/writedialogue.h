#pragma once

#include "protocol/radioconfig.h"
#include "protocol/settingsselection.h"

#include <QByteArray>

#include <optional>
#include <span>

namespace quenda {

// State of a running save: what the write dialogue remembers between chunks.
struct SaveState {
    bool isWriting = false;
    int channelRowIndex = 0;
    ChannelTable pendingChannels;  // command form
    int pendingChannelCount = 0;
    // The prompt answered last (its place in the prompt order), for which slot, and how often:
    // a radio that keeps refusing a value would otherwise be answered for ever.
    int lastPrompt = -1;
    int lastPromptSlot = -1;
    int lastPromptAnswers = 0;
    // Channel rows entered whole so far in this save, for progress.
    int channelsEntered = 0;

    // Ends the save from any side (error, completion, close): the next one starts at slot 0.
    void end()
    {
        isWriting = false;
        channelRowIndex = 0;
        lastPrompt = -1;
        lastPromptSlot = -1;
        lastPromptAnswers = 0;
        channelsEntered = 0;
    }
};

// The line to the radio and the fixed pauses between writes; all that factory defaults needs.
class RadioOutput {
public:
    virtual ~RadioOutput() = default;
    virtual void output(const QByteArray &bytes) = 0;
    virtual void pause(int ms) = 0;
};

// What the write dialogue needs from its surroundings; the main window implements it,
// tests fake it.
class WriteDialogueHost : public RadioOutput {
public:
    // Read at the moment each register command is written.
    virtual SettingsSelection currentSelection() = 0;
    virtual void hideSavingWindow() = 0;
    // Modal; returns when the user closed it.
    virtual void showWriteError() = 0;   // "数据有误，请检查！"
    virtual void showSaveComplete() = 0; // "保存完毕！"
};

// One register of a save: the acknowledgement of `trigger` (its three digits in the echo) makes
// the dialogue write `reg` with the value taken from the selection at that moment.
struct RegisterWrite {
    int reg;
    int trigger; // kEntryClosedTrigger for the first register
    int (*value)(const SettingsSelection &);
};
inline constexpr int kEntryClosedTrigger = 0;

// The fourteen registers in the order a save writes them; the last one's acknowledgement
// triggers the store.
std::span<const RegisterWrite> registerOrder();
// Value the selection gives a register of the save; none for a register a save does not write.
std::optional<int> registerValue(int reg, const SettingsSelection &selection);

// How often the same prompt is answered for the same slot before the save gives up.
inline constexpr int kMaxAnswersToOnePrompt = 2;

// One step of the write dialogue, driven by one received chunk while a save runs.
void WriteDialogueStep(const char *bytes, int length, SaveState &state, WriteDialogueHost &host);

} // namespace quenda
