#include "StrList.h"

#include "TextValidators.h"

void CStrList::SplitList(std::string_view text) {
    RemoveAll();
    for (auto& part : TextValidators::CutList(text)) {
        if (!part.text.empty()) {
            m_items.push_back(std::move(part.text));
        }
    }
}
