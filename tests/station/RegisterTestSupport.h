#pragma once

#include "WindowTestSupport.h"

#include "FrontEnd.h"
#include "Msg.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

// Requests of a register window, run against a real database one after the other as the
// user-interface queue would, each reply handed back to the window.
class CRegisterDb {
public:
    std::function<void(MsgPtr)> Sender() {
        return [this](MsgPtr request) { m_pending.push_back(std::move(request)); };
    }
    // Runs every waiting request (and those its replies cause) and delivers the replies.
    void Pump(const std::function<MsgPtr(MsgPtr)>& deliver) {
        while (!m_pending.empty()) {
            MsgPtr request = std::move(m_pending.front());
            m_pending.pop_front();
            ++sent;
            MsgPtr reply = db.Request(std::move(request));
            if (reply) {
                EXPECT_TRUE(deliver(std::move(reply)) == nullptr) << "a reply was not taken";
            }
        }
    }
    std::size_t Waiting() const { return m_pending.size(); }
    const CMsg& Next() const { return *m_pending.front(); }

    CTestDatabase db;
    int sent = 0;

private:
    std::deque<MsgPtr> m_pending;
};

// Message boxes of a register window: recorded, answered from a script (first button otherwise).
struct SAsked {
    std::string text;
    IFrontEnd::EButtons buttons;
    IFrontEnd::EIcon icon;
};
class CAskRecorder {
public:
    IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons, IFrontEnd::EIcon icon) {
        asked.push_back({text, buttons, icon});
        if (!answers.empty()) {
            const IFrontEnd::EResult answer = answers.front();
            answers.pop_front();
            return answer;
        }
        return buttons == IFrontEnd::EButtons::YesNo || buttons == IFrontEnd::EButtons::YesNoCancel
                   ? IFrontEnd::EResult::Yes
                   : IFrontEnd::EResult::Ok;
    }
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const SAsked& a : asked) {
            texts.push_back(a.text);
        }
        return texts;
    }

    std::vector<SAsked> asked;
    std::deque<IFrontEnd::EResult> answers;
};
