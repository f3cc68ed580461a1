#pragma once

#include "DbRegisterTable.h"
#include "DbRegisterTraits.h"

// The SMS address book (SmsNumberInfo): Number is the key, Name the recipient. Replies have the
// kind the request's ReplyKind names (34 object dialog, 35 and 36 GSM manager).
class CDbSmsNumInfo : public CDbRegisterTable<SSmsNumTraits> {
public:
    using CDbRegisterTable::CDbRegisterTable;

    std::unique_ptr<CDatabaseMsg> AddSmsNumInfo(const CSmsNumInfoMsg& record) { return Add(record); }
    std::unique_ptr<CSmsNumInfoMsg> FindSmsNumInfo(const CSmsNumInfoReqMsg& request) { return Find(request); }
    std::unique_ptr<CDatabaseMsg> EditSmsNumInfo(const CSmsNumInfoMsg& record) { return Edit(record); }
    std::unique_ptr<CDatabaseMsg> DeleteSmsNumInfo(const CSmsNumInfoReqMsg& request) {
        return Delete(request);
    }
};
