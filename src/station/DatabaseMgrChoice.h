#pragma once

#include "FrontEnd.h"

#include <string>
#include <vector>

// The logic of the database manager dialog: the situation's message lines, which of the three
// choices are offered, the progress list (newest on top) and the answer that OK gives.
class CDatabaseMgrChoice {
public:
    enum EChoice { CHOICE_CHANGE_PATH = 0, CHOICE_NEW_EMPTY = 1, CHOICE_NEW_COPY = 2, CHOICE_COUNT = 3 };

    // A new situation (1 folder missing, 2 no database, 3 damaged, 4 older version, 6 created,
    // 7 creation failed). Modes 6 and 7 keep the message lines and offer no choice.
    void SetMode(int mode, const std::vector<std::string>& lines);
    void AddProgress(const std::string& line) { m_progress.insert(m_progress.begin(), line); }

    int Mode() const { return m_mode; }
    const std::vector<std::string>& Messages() const { return m_messages; }
    const std::vector<std::string>& Progress() const { return m_progress; }
    bool Offered(EChoice choice) const;
    EChoice Selected() const { return m_selected; }
    // Selecting a choice that is not offered changes nothing.
    void Select(EChoice choice);

    // What OK answers to the database manager.
    IFrontEnd::EDbMgrAnswer OkAnswer() const;
    static const char* ChoiceTag(EChoice choice);

private:
    int m_mode = 0;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_progress;
    EChoice m_selected = CHOICE_CHANGE_PATH;
};
