#include "WindowTestSupport.h"

#include "DbConvert.h"
#include "DbSchema.h"
#include "Dictionary.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

void UseEnglishTexts() {
    static const bool loaded = CDictionary::Instance().Load();
    ASSERT_TRUE(loaded);
    CDictionary::Instance().SetLanguage("en");
    CDictionary::Instance().InstallAsTranslator();
}

CTestDatabase::CTestDatabase() {
    UseEnglishTexts();
    const std::string folder = m_dir.Path() + "/";
    CDbConvert convert(m_frontEnd, folder, "Tester", m_clock);
    EXPECT_TRUE(convert.CreateDatabase());
    EXPECT_EQ(m_db.Open(CDbSchema::DatabaseFile(folder)), SQLITE_OK);
    m_handler = std::make_unique<CDatabaseHandler>(m_frontEnd, m_clock, &m_sink, folder);
    m_handler->Configure(&m_db, 360, false, false);
}

CTestDatabase::~CTestDatabase() {
    m_handler.reset();
    m_db.Close();
}

MsgPtr CTestDatabase::Request(MsgPtr request) {
    m_handler->ProcessRequest(std::move(request));
    std::vector<MsgPtr> replies = m_sink.Take();
    EXPECT_EQ(replies.size(), 1u);
    return replies.empty() ? nullptr : std::move(replies.front());
}
