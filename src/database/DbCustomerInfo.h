#pragma once

#include "DbRegisterTable.h"
#include "DbRegisterTraits.h"

// The customers (CustomerInfo): Name is the key, Info free text. Replies have kind 32.
class CDbCustomerInfo : public CDbRegisterTable<SCustomerTraits> {
public:
    using CDbRegisterTable::CDbRegisterTable;

    std::unique_ptr<CDatabaseMsg> AddCustomerInfo(const CCustomerInfoMsg& record) { return Add(record); }
    std::unique_ptr<CCustomerInfoMsg> FindCustomerInfo(const CCustomerInfoReqMsg& request) {
        return Find(request);
    }
    std::unique_ptr<CDatabaseMsg> EditCustomerInfo(const CCustomerInfoMsg& record) { return Edit(record); }
    std::unique_ptr<CDatabaseMsg> DeleteCustomerInfo(const CCustomerInfoReqMsg& request) {
        return Delete(request);
    }
};
