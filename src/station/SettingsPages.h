#pragma once

#include "Settings.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CDictionary;

// What the pages of the settings dialog check, offer and write, without drawing them: the number
// ranges with their message, the PIN rule, the questions asked when the Database page is left,
// the choices of the drop-downs, the language button and the OK of the sheet.
class CSettingsPages {
public:
    struct SRange {
        int min;
        int max;
    };
    static constexpr SRange RING_SIGNALS{0, 16};
    static constexpr SRange MAIL_PORT{1, 65535};
    static constexpr SRange MAX_ALARMLIST_ITEMS{100, 5000};
    static constexpr SRange REFRESH_INTERVAL{10, 120};
    static constexpr SRange KEEP_MONTHS{1, 36};

    // Text fields of the E-mail page and the test-mail address.
    static constexpr int MAX_TEXT_CHARS = 80;
    static constexpr int PIN_CHARS = 4;
    // Raising the months above this asks whether the slower database is wanted.
    static constexpr int MONTHS_SLOWNESS_LIMIT = 12;

    static constexpr const char* PIN_MESSAGE_TAG = "IDS_SETTINGSCOMM_MSG_1";
    static constexpr const char* MONTHS_DECREASE_TAG = "IDS_SETTINGSDATABASE_MSG_2";
    static constexpr const char* MONTHS_SLOWNESS_TAG = "IDS_SETTINGSDATABASE_MSG_4";
    static constexpr const char* NEW_PATH_TAG = "IDS_SETTINGSDATABASE_MSG_1";
    static constexpr const char* BROWSE_TITLE_TAG = "IDS_SETTINGS_MSG_1";

    // The text of a number field against its range. True with the value; false with the message
    // that names both limits (also for an empty or non-numeric text).
    static bool ReadNumber(const std::string& text, SRange range, int& value, std::string& message);
    static std::string RangeMessage(SRange range);

    // Empty, or exactly four digits.
    static bool IsValidPin(const std::string& pin);

    // The questions (dictionary tags, asked in this order with OK and Cancel) when the Database
    // page is left with `now` months after it was opened with `openedWith`; a Cancel keeps the
    // page and skips the rest.
    static std::vector<std::string> MonthsQuestions(int openedWith, int now);

    // GSM line speed drop-down: "9600" (0) or "115200" (1); any stored speed but 115200 shows 9600.
    static int BaudrateIndex(std::int32_t baudrate);
    static std::int32_t BaudrateOf(int index);
    static const std::array<const char*, 2>& BaudrateChoices();

    // The radio networks a modem may use, by the index stored in the settings.
    static const std::array<const char*, 7>& NetChoices();

    // A chosen folder as the settings keep it: with one trailing separator.
    static std::string FolderWithSeparator(const std::string& folder);

    // The OK of the sheet: `edited` holds the current settings with the pages' values written
    // over them. Returns the restart groups that changed, makes the edited values current and
    // saves them all.
    static unsigned Commit(CSettings& settings, const SSettingsValues& edited);

    // Language page: the dictionary's codes in its order, the index of the current one (-1 when
    // none), and the button that sets one at once (stored as "Language" on success). Returns the
    // text to show: success or failure.
    static std::vector<std::string> Languages(const CDictionary& dictionary);
    static int CurrentLanguageIndex(const CDictionary& dictionary);
    static std::string SetLanguage(CDictionary& dictionary, const std::string& code, bool& done);
};
