#include "Msg.h"

CMsg::~CMsg() {
    // Release a long chain iteratively so that a reply of thousands of records cannot exhaust the
    // stack through nested destructors.
    std::unique_ptr<CMsg> link = std::move(Next);
    while (link) {
        link = std::move(link->Next);
    }
}
