#pragma once

#include <array>
#include <string>

// The text block the alarm dialog shows above an alarm, one per alarm type: the dictionary's
// banners, which a site may override in AlarmTypeText.ini in the working directory. Texts may hold
// several lines, each ended by CR LF.
class CAlarmTypeTexts {
public:
    static constexpr int SLOT_COUNT = 10;
    static constexpr const char* FILE_NAME = "AlarmTypeText.ini";
    // A site's block is cut here; the dialog could not show more anyway.
    static constexpr std::size_t MAX_BLOCK_BYTES = 16384;

    enum ELoadResult {
        ATT_LOAD_READ = 1,     // the file was read
        ATT_LOAD_WRITTEN = 2,  // there was none; the default file was written
        ATT_LOAD_DEFAULTS = 3, // neither readable nor creatable; the defaults stay
    };

    // All slots empty until LoadDefaults.
    CAlarmTypeTexts() = default;

    // Dictionary defaults of every slot, in the current language.
    void LoadDefaults();

    // Reads <folder>/AlarmTypeText.ini, or writes the default file when there is none. Empty
    // folder: the working directory. An existing file is never overwritten.
    ELoadResult LoadAlarmTypeTexts(const std::string& folder = {});

    // Reads a file over the current slots; false when it cannot be opened.
    bool ReadFile(const std::string& path);
    // Writes the current slots as a new file; false when the file exists or cannot be created.
    bool WriteDefaultFile(const std::string& path) const;

    // The slot text shown with an alarm type (numbered as in the alarm log); empty for a type
    // without a block.
    const std::string& GetAlarmTypeText(int alarmType) const;

    const std::string& SlotText(int slot) const;
    void SetSlotText(int slot, std::string text);

    // Slot of an alarm type, or -1.
    static int SlotOfAlarmType(int alarmType);
    // Slot of a block label (the text after ':'), compared in upper case; -1 when unknown.
    static int SlotOfLabel(const std::string& label);

private:
    std::array<std::string, SLOT_COUNT> m_texts;
};
