#pragma once

#include "ObjectInfoMsg.h"
#include "ObjectInfoReqMsg.h"

#include <cstdint>
#include <memory>

class CDatabaseHandler;
class CDbCustomerInfo;
class CSqliteDb;

// The four operations on the object register. IdCode is unique and a non-empty PhoneNumber too;
// the add and edit operations keep it so. A find by key attaches the object's customer.
class CDbObjectInfo {
public:
    CDbObjectInfo(CDatabaseHandler& handler, CDbCustomerInfo& customers)
        : m_handler(handler), m_customers(customers) {}
    virtual ~CDbObjectInfo() = default;
    CDbObjectInfo(const CDbObjectInfo&) = delete;
    CDbObjectInfo& operator=(const CDbObjectInfo&) = delete;

    void SetDatabase(CSqliteDb* db) { m_db = db; }

    // Reply kind 29: 1 added, 2 IdCode exists, 3 PhoneNumber exists, 4 engine error.
    std::unique_ptr<CDatabaseMsg> AddObjectInfo(const CObjectInfoMsg& record);
    // A chain of object records; the first has the request's ReplyKind, the rest kind 29.
    std::unique_ptr<CObjectInfoMsg> FindObjectInfo(const CObjectInfoReqMsg& request);
    // Reply kind 29: 10 changed, 11 PhoneNumber taken, 12 no such IdCode, 13 engine error.
    std::unique_ptr<CDatabaseMsg> EditObjectInfo(const CObjectInfoMsg& record);
    // Reply kind 29: 14 deleted, 15 no such IdCode, 16 engine error.
    std::unique_ptr<CDatabaseMsg> DeleteObjectInfo(const CObjectInfoReqMsg& request);

private:
    CSqliteDb& Db() const;

    CDatabaseHandler& m_handler;
    CDbCustomerInfo& m_customers;
    CSqliteDb* m_db = nullptr;
};
