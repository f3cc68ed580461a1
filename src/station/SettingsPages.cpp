#include "SettingsPages.h"

#include "Dictionary.h"
#include "DictionaryStartup.h"
#include "RegistryValue.h"
#include "Translate.h"

#include <algorithm>
#include <charconv>

bool CSettingsPages::ReadNumber(const std::string& text, SRange range, int& value, std::string& message) {
    const auto first = text.find_first_not_of(' ');
    const auto last = text.find_last_not_of(' ');
    long long number = 0;
    bool ok = first != std::string::npos;
    if (ok) {
        const char* begin = text.data() + first;
        const char* end = text.data() + last + 1;
        const auto [ptr, ec] = std::from_chars(begin, end, number);
        ok = ec == std::errc() && ptr == end;
    }
    if (!ok || number < range.min || number > range.max) {
        message = RangeMessage(range);
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

std::string CSettingsPages::RangeMessage(SRange range) {
    return Text::TrF("IDS_SETTINGS_MSG_2", range.min, range.max);
}

bool CSettingsPages::IsValidPin(const std::string& pin) {
    if (pin.empty()) {
        return true;
    }
    return pin.size() == PIN_CHARS &&
           std::all_of(pin.begin(), pin.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::vector<std::string> CSettingsPages::MonthsQuestions(int openedWith, int now) {
    std::vector<std::string> questions;
    if (now < openedWith) {
        questions.emplace_back(MONTHS_DECREASE_TAG);
    }
    if (now != openedWith && now > MONTHS_SLOWNESS_LIMIT) {
        questions.emplace_back(MONTHS_SLOWNESS_TAG);
    }
    return questions;
}

int CSettingsPages::BaudrateIndex(std::int32_t baudrate) {
    return baudrate == 115200 ? 1 : 0;
}

std::int32_t CSettingsPages::BaudrateOf(int index) {
    return index == 1 ? 115200 : 9600;
}

const std::array<const char*, 2>& CSettingsPages::BaudrateChoices() {
    static const std::array<const char*, 2> choices = {"9600", "115200"};
    return choices;
}

const std::array<const char*, 7>& CSettingsPages::NetChoices() {
    static const std::array<const char*, 7> choices = {"2G + 3G + 4G", "2G + 3G", "2G + 4G", "3G + 4G",
                                                       "2G",           "3G",      "4G"};
    return choices;
}

std::string CSettingsPages::FolderWithSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') {
        return folder;
    }
    return folder + '/';
}

unsigned CSettingsPages::Commit(CSettings& settings, const SSettingsValues& edited) {
    const unsigned groups = CSettings::ChangedGroups(settings.Values(), edited);
    settings.Values() = edited;
    // A failed write leaves the new values in force for this run; the store keeps the old ones.
    settings.SaveAll();
    return groups;
}

std::vector<std::string> CSettingsPages::Languages(const CDictionary& dictionary) {
    return dictionary.GetLanguages();
}

int CSettingsPages::CurrentLanguageIndex(const CDictionary& dictionary) {
    const std::vector<std::string> codes = dictionary.GetLanguages();
    const auto it = std::find(codes.begin(), codes.end(), dictionary.GetLanguage());
    return it == codes.end() ? -1 : static_cast<int>(it - codes.begin());
}

std::string CSettingsPages::SetLanguage(CDictionary& dictionary, const std::string& code, bool& done) {
    done = !code.empty() && dictionary.SetLanguage(code);
    if (!done) {
        return Text::Tr("IDS_SETTINGS_TAB_LANGUAGE_MSG_1");
    }
    // Stored whatever the sheet's OK or Cancel; a failed write is treated as done.
    RegistryValueStr(MORA_SETTINGS_KEY, CDictionaryStartup::LANGUAGE_VALUE).Set(code);
    return Text::Tr("IDS_SETTINGS_TAB_LANGUAGE_MSG_2");
}
