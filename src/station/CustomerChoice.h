#pragma once

#include "FrontEnd.h"
#include "Msg.h"

#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <vector>

// The window that draws the customer choice.
class ICustomerView {
public:
    virtual ~ICustomerView() = default;
    // Redraw the drop-down, its selection, the shown name and information and the buttons.
    virtual void ShowCustomers() = 0;
    virtual IFrontEnd::EResult Ask(const std::string& text, IFrontEnd::EButtons buttons,
                                   IFrontEnd::EIcon icon) = 0;
};

// The logic of the customer dialog: the drop-down of the register's customers after the
// no-customer entry, the shown customer, and the register's requests and replies (kind 32).
class CCustomerChoice {
public:
    static constexpr int NO_CUSTOMER = 0;
    // Field limits of the add/edit dialog in characters.
    static constexpr std::size_t NAME_CHARS = 40;
    static constexpr std::size_t INFO_CHARS = 65535;

    CCustomerChoice(ICustomerView& view, std::function<void(MsgPtr)> request);

    // Asks for all customers; the object's current customer is chosen once they arrive.
    void Open(const std::string& currentName);

    // The drop-down: entry 0 is the no-customer entry, entry i the customer Names()[i - 1].
    const std::vector<std::string>& Names() const { return m_names; }
    int Selection() const { return m_selection; }
    void Choose(int entry);

    // The shown customer (both empty for the no-customer entry); Select hands them to the object.
    const std::string& Name() const { return m_name; }
    const std::string& Info() const { return m_info; }
    bool CanEdit() const { return m_shown; }
    bool CanDelete() const { return m_shown; }

    // After the add/edit dialog's OK.
    void AddCustomer(const std::string& name, const std::string& info);
    void EditCustomer(const std::string& info);
    // Asks first.
    void OnDelete();

    // A customer reply; returns it when it is not one.
    MsgPtr OnReply(MsgPtr reply);

    // The add/edit dialog's check of the name.
    static bool IsValidName(const std::string& name) { return !name.empty(); }

private:
    void ShowNone();
    void Tell(const std::string& text, IFrontEnd::EIcon icon);

    ICustomerView& m_view;
    std::function<void(MsgPtr)> m_request;
    std::string m_initial;
    std::vector<std::string> m_names;
    int m_selection = NO_CUSTOMER;
    std::string m_name;
    std::string m_info;
    bool m_shown = false;
    bool m_listing = false;
    struct SCustomer {
        std::string Name;
        std::string Info;
    };
    // Changes sent and not yet answered, oldest first (replies come in request order).
    std::deque<SCustomer> m_adding;
    std::deque<std::string> m_editing;
    std::deque<std::string> m_deleting;
};
