#include "RecordingFrontEnd.h"

namespace {

IFrontEnd::EResult DefaultAnswer(IFrontEnd::EButtons buttons, int defaultButton) {
    using B = IFrontEnd::EButtons;
    using R = IFrontEnd::EResult;
    std::vector<R> order;
    switch (buttons) {
    case B::Ok:
        order = {R::Ok};
        break;
    case B::OkCancel:
        order = {R::Ok, R::Cancel};
        break;
    case B::YesNo:
        order = {R::Yes, R::No};
        break;
    case B::YesNoCancel:
        order = {R::Yes, R::No, R::Cancel};
        break;
    case B::RetryCancel:
        order = {R::Retry, R::Cancel};
        break;
    case B::AbortRetryIgnore:
        order = {R::Abort, R::Retry, R::Ignore};
        break;
    }
    if (defaultButton < 0 || static_cast<std::size_t>(defaultButton) >= order.size()) {
        defaultButton = 0;
    }
    return order[static_cast<std::size_t>(defaultButton)];
}

} // namespace

IFrontEnd::EResult CRecordingFrontEnd::MessageBox(const std::string& text, EButtons buttons, EIcon icon,
                                                  int defaultButton) {
    messageBoxes.push_back({text, buttons, icon, defaultButton});
    if (!answers.empty()) {
        const EResult r = answers.front();
        answers.pop_front();
        return r;
    }
    return DefaultAnswer(buttons, defaultButton);
}

void CRecordingFrontEnd::SetPaneText(int pane, const std::string& text) {
    paneTexts.emplace_back(pane, text);
}

void CRecordingFrontEnd::AddSystemInfo(const std::string& text, bool toFront) {
    systemInfo.push_back({text, toFront});
}

std::string CRecordingFrontEnd::Pane(int pane) const {
    for (auto it = paneTexts.rbegin(); it != paneTexts.rend(); ++it) {
        if (it->first == pane) {
            return it->second;
        }
    }
    return {};
}

IFrontEnd::EDbMgrAnswer CRecordingFrontEnd::DatabaseMgrDialog(int mode,
                                                              const std::vector<std::string>& lines) {
    dbDialogs.push_back({mode, lines});
    if (dbAnswers.empty()) {
        return EDbMgrAnswer::Cancel;
    }
    const EDbMgrAnswer answer = dbAnswers.front();
    dbAnswers.pop_front();
    return answer;
}

bool CRecordingFrontEnd::BrowseForFolder(const std::string& title, const std::string& /*startFolder*/,
                                         std::string& folder) {
    browseTitles.push_back(title);
    if (browseAnswers.empty()) {
        return false;
    }
    folder = browseAnswers.front();
    browseAnswers.pop_front();
    return !folder.empty();
}
