#include "CustomerChoice.h"

#include "CustomerInfoMsg.h"
#include "CustomerInfoReqMsg.h"
#include "DbResults.h"
#include "MsgKinds.h"
#include "Translate.h"

#include <algorithm>
#include <utility>

using EIcon = IFrontEnd::EIcon;
using EButtons = IFrontEnd::EButtons;

namespace {

template <class T> void Done(std::deque<T>& pending) {
    if (!pending.empty()) {
        pending.pop_front();
    }
}

} // namespace

CCustomerChoice::CCustomerChoice(ICustomerView& view, std::function<void(MsgPtr)> request)
    : m_view(view), m_request(std::move(request)) {}

void CCustomerChoice::Open(const std::string& currentName) {
    m_initial = currentName;
    m_names.clear();
    ShowNone();
    m_listing = true;
    m_view.ShowCustomers();
    m_request(std::make_unique<CCustomerInfoReqMsg>(MsgKind::DB_CUSTOMER_FIND, CCustomerInfoReqMsg::ALL));
}

void CCustomerChoice::Choose(int entry) {
    if (entry <= NO_CUSTOMER || entry > static_cast<int>(m_names.size())) {
        ShowNone();
        m_view.ShowCustomers();
        return;
    }
    // Nothing to edit until the register has answered for the new choice.
    ShowNone();
    m_selection = entry;
    m_view.ShowCustomers();
    m_request(std::make_unique<CCustomerInfoReqMsg>(MsgKind::DB_CUSTOMER_FIND, CCustomerInfoReqMsg::BY_KEY,
                                                    m_names[static_cast<std::size_t>(entry - 1)]));
}

void CCustomerChoice::AddCustomer(const std::string& name, const std::string& info) {
    m_adding.push_back(SCustomer{name, info});
    auto record = std::make_unique<CCustomerInfoMsg>(MsgKind::DB_CUSTOMER_ADD);
    record->Name = name;
    record->Info = info;
    m_request(std::move(record));
}

void CCustomerChoice::EditCustomer(const std::string& info) {
    if (!m_shown) {
        return;
    }
    m_editing.push_back(info);
    auto record = std::make_unique<CCustomerInfoMsg>(MsgKind::DB_CUSTOMER_EDIT);
    record->Name = m_name;
    record->Info = info;
    m_request(std::move(record));
}

void CCustomerChoice::OnDelete() {
    if (!m_shown) {
        return;
    }
    if (m_view.Ask(Text::Tr("IDS_CUSTOMERINFODLG_MSG_10"), EButtons::YesNo, EIcon::Warning) !=
        IFrontEnd::EResult::Yes) {
        return;
    }
    m_deleting.push_back(m_name);
    m_request(std::make_unique<CCustomerInfoReqMsg>(MsgKind::DB_CUSTOMER_DELETE, CCustomerInfoReqMsg::BY_KEY,
                                                    m_name));
}

MsgPtr CCustomerChoice::OnReply(MsgPtr reply) {
    if (!reply || reply->Kind != MsgKind::UI_CUSTOMER_REPLY) {
        return reply;
    }
    auto* db = dynamic_cast<CDatabaseMsg*>(reply.get());
    if (db == nullptr) {
        return reply;
    }
    switch (db->Status) {
    case RegisterResult::FIND_LIST:
    case RegisterResult::FIND_NONE:
    case RegisterResult::FIND_ERROR:
        if (m_listing) {
            m_listing = false;
            m_names.clear();
            if (db->Status == RegisterResult::FIND_LIST) {
                MsgPtr link = std::move(reply);
                while (link) {
                    MsgPtr next = link->TakeNext();
                    if (auto* customer = dynamic_cast<CCustomerInfoMsg*>(link.get())) {
                        m_names.push_back(std::move(customer->Name));
                    }
                    link = std::move(next);
                }
            }
            const auto it = std::find(m_names.begin(), m_names.end(), m_initial);
            if (!m_initial.empty() && it != m_names.end()) {
                Choose(static_cast<int>(it - m_names.begin()) + 1);
            } else {
                ShowNone();
            }
            m_view.ShowCustomers();
        } else {
            // The chosen customer is gone from the register.
            ShowNone();
            m_view.ShowCustomers();
        }
        break;
    case RegisterResult::FIND_BY_KEY:
        if (auto* customer = dynamic_cast<CCustomerInfoMsg*>(db);
            customer != nullptr && m_selection != NO_CUSTOMER &&
            m_names[static_cast<std::size_t>(m_selection - 1)] == customer->Name) {
            m_name = customer->Name;
            m_info = customer->Info;
            m_shown = true;
            m_view.ShowCustomers();
        }
        break;
    case RegisterResult::ADD_DONE:
        if (!m_adding.empty()) {
            m_names.push_back(m_adding.front().Name);
            m_selection = static_cast<int>(m_names.size());
            m_name = m_adding.front().Name;
            m_info = m_adding.front().Info;
            m_shown = true;
            m_adding.pop_front();
            m_view.ShowCustomers();
        }
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_1"), EIcon::Information);
        break;
    case RegisterResult::ADD_EXISTS: {
        const std::string name = m_adding.empty() ? std::string() : m_adding.front().Name;
        Done(m_adding);
        Tell(Text::TrF("IDS_CUSTOMERINFODLG_MSG_2", name.c_str()), EIcon::Warning);
        break;
    }
    case RegisterResult::ADD_ERROR:
        Done(m_adding);
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_3"), EIcon::Error);
        break;
    case RegisterResult::EDIT_CHANGED:
        if (!m_editing.empty()) {
            m_info = m_editing.front();
            m_editing.pop_front();
            m_view.ShowCustomers();
        }
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_5"), EIcon::Information);
        break;
    case RegisterResult::EDIT_NOT_FOUND:
        Done(m_editing);
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_6"), EIcon::Error);
        break;
    case RegisterResult::EDIT_ERROR:
        Done(m_editing);
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_7"), EIcon::Error);
        break;
    case RegisterResult::DELETE_DONE:
        if (!m_deleting.empty()) {
            const auto it = std::find(m_names.begin(), m_names.end(), m_deleting.front());
            if (it != m_names.end()) {
                m_names.erase(it);
            }
            m_deleting.pop_front();
            ShowNone();
            m_view.ShowCustomers();
        }
        break;
    case RegisterResult::DELETE_NOT_FOUND:
        Done(m_deleting);
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_8"), EIcon::Error);
        break;
    case RegisterResult::DELETE_ERROR:
        Done(m_deleting);
        Tell(Text::Tr("IDS_CUSTOMERINFODLG_MSG_9"), EIcon::Error);
        break;
    default:
        break;
    }
    return nullptr;
}

void CCustomerChoice::ShowNone() {
    m_selection = NO_CUSTOMER;
    m_name.clear();
    m_info.clear();
    m_shown = false;
}

void CCustomerChoice::Tell(const std::string& text, IFrontEnd::EIcon icon) {
    m_view.Ask(text, EButtons::Ok, icon);
}
