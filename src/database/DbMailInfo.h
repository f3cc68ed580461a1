#pragma once

#include "DbRegisterTable.h"
#include "DbRegisterTraits.h"

// The e-mail address book (MailInfo): Address is the key, Name the recipient. Replies have kind 33.
class CDbMailInfo : public CDbRegisterTable<SMailTraits> {
public:
    using CDbRegisterTable::CDbRegisterTable;

    std::unique_ptr<CDatabaseMsg> AddMailInfo(const CMailInfoMsg& record) { return Add(record); }
    std::unique_ptr<CMailInfoMsg> FindMailInfo(const CMailInfoReqMsg& request) { return Find(request); }
    std::unique_ptr<CDatabaseMsg> EditMailInfo(const CMailInfoMsg& record) { return Edit(record); }
    std::unique_ptr<CDatabaseMsg> DeleteMailInfo(const CMailInfoReqMsg& request) { return Delete(request); }
};
