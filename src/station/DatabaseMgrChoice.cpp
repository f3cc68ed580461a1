#include "DatabaseMgrChoice.h"

void CDatabaseMgrChoice::SetMode(int mode, const std::vector<std::string>& lines) {
    m_mode = mode;
    if (mode != 6 && mode != 7) {
        m_messages = lines;
        m_selected = CHOICE_CHANGE_PATH;
    }
}

bool CDatabaseMgrChoice::Offered(EChoice choice) const {
    switch (m_mode) {
    case 1:
    case 3:
        return choice == CHOICE_CHANGE_PATH;
    case 2:
        return choice == CHOICE_CHANGE_PATH || choice == CHOICE_NEW_EMPTY;
    case 4:
        return choice == CHOICE_CHANGE_PATH || choice == CHOICE_NEW_EMPTY || choice == CHOICE_NEW_COPY;
    default:
        return false;
    }
}

void CDatabaseMgrChoice::Select(EChoice choice) {
    if (Offered(choice)) {
        m_selected = choice;
    }
}

IFrontEnd::EDbMgrAnswer CDatabaseMgrChoice::OkAnswer() const {
    using A = IFrontEnd::EDbMgrAnswer;
    switch (m_mode) {
    case 2:
    case 4:
        if (m_selected == CHOICE_NEW_EMPTY) {
            return A::CreateEmpty;
        }
        if (m_selected == CHOICE_NEW_COPY && m_mode == 4) {
            return A::CreateAndCopy;
        }
        return A::ChangePath;
    case 6:
    case 7:
        return A::Ok;
    default:
        return A::ChangePath;
    }
}

const char* CDatabaseMgrChoice::ChoiceTag(EChoice choice) {
    switch (choice) {
    case CHOICE_NEW_EMPTY:
        return "IDC_ACTION_SEL_NEW_EMPTY";
    case CHOICE_NEW_COPY:
        return "IDC_ACTION_SEL_NEW_COPY";
    default:
        return "IDC_DBMDLG_ACTION_SEL";
    }
}
