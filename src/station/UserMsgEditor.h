#pragma once

#include "UserMessageList.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// The logic of the user message file editor: the codes in list order, the entry whose text the
// text field shows, and whether the list differs from the file. The text field's content and its
// modified flag come in with every command that leaves the current entry.
class CUserMsgEditor {
public:
    static constexpr std::size_t MAX_TEXT = 255;

    // The text field as it stands: its text (line ends as the field has them) and whether the
    // operator changed it since the current entry was chosen.
    struct SField {
        std::string text;
        bool modified = false;
    };

    enum class EOpen { Loaded, Created, Unreadable, NotCreated };
    enum class ENew { Added, Exists };
    enum class EClose { Close, AskSave };

    explicit CUserMsgEditor(std::string path) : m_path(std::move(path)) {}

    // Loads the file (a missing one is created empty at once) and sorts the codes in ascending
    // character order, upper case before lower case. No entry is current and nothing is changed.
    // A file that is there but cannot be read gives an empty list and Unreadable: saving over it
    // would destroy the site's texts.
    EOpen Open();

    const std::vector<CUserMessageList::SEntry>& Entries() const { return m_list.Entries(); }
    std::optional<std::size_t> Current() const { return m_current; }
    bool Changed() const { return m_changed; }
    const std::string& Path() const { return m_path; }

    // The current entry's text as the field shows it (LF line ends), empty without one.
    std::string CurrentFieldText() const;

    // Leaves the current entry: it takes the field's text; a modified field marks the change.
    void Leave(const SField& field);
    // A click in the list: leave, then `row` (or none) becomes current.
    void Select(std::optional<std::size_t> row, const SField& field);
    // New with a code from the prompt. Exists leaves everything as it was; Added appends the
    // code at the end of the list and makes it current.
    ENew New(const std::string& code, const SField& field);
    // Removes the selected row without asking; false (beep) when none is selected.
    bool Delete(std::optional<std::size_t> selected);
    // Leave, then write the whole list. True when written; the change mark is cleared only then.
    bool Save(const SField& field);
    // Close button or close box: leave; close at once when nothing changed, else ask.
    EClose Close(const SField& field);

    // The message for New with a code that is already in the list.
    static std::string ExistsText(const std::string& code);
    // The code prompt's check: a letter and three digits up to 255. The accepted code is "%c%03d"
    // of it, that is the same four characters.
    static bool CheckCode(std::string_view typed, std::string& code);
    static std::string InvalidCodeText();

    // Field text (LF) to the stored form (CR LF) and back.
    static std::string ToStored(std::string_view fieldText);
    static std::string ToField(std::string_view stored);

private:
    std::string m_path;
    CUserMessageList m_list;
    std::optional<std::size_t> m_current;
    bool m_changed = false;
};
