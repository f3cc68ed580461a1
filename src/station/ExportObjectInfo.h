#pragma once

#include "Msg.h"
#include "ObjectInfoMsg.h"

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

// The logic of the object register export: the ticked fields, how many records, the separator,
// the lines of the output window and the text file they go to.
class CExportObjectInfo {
public:
    // The fields in the order of the output columns.
    enum EField {
        FIELD_ID_CODE,
        FIELD_ID_INFO,
        FIELD_ADDRESS,
        FIELD_DAYS,
        FIELD_TEST_ALARM_ONLY,
        FIELD_POPUP_ENABLED,
        FIELD_MAIL_TECH,
        FIELD_SMS_TECH,
        FIELD_MAIL_EMG,
        FIELD_SMS_EMG,
        FIELD_NOTES,
        FIELD_ELEVATOR_TYPE,
        FIELD_CUSTOMER,
        FIELD_COUNT,
    };
    enum class ERecords { All, Last };
    enum class ESeparator { Semicolon, Comma };
    enum class EReply { NoObjects, Lines, Failed };

    static constexpr std::int32_t MAX_COUNT = std::numeric_limits<std::int32_t>::max();

    struct SLine {
        std::string text;
        bool selected = true;
    };

    // The dictionary tag of a field's name.
    static const char* FieldTag(int field);

    bool Checked(int field) const { return m_checked[static_cast<std::size_t>(field)]; }
    void SetChecked(int field, bool on) { m_checked[static_cast<std::size_t>(field)] = on; }
    void Toggle(int field) { SetChecked(field, !Checked(field)); }
    // ID Code and ID Info, nothing else.
    void SetDefault();
    void SetAll();
    void ClearAll();

    ERecords Records() const { return m_records; }
    void SetRecords(ERecords records) { m_records = records; }
    bool CountEnabled() const { return m_records == ERecords::Last; }
    std::int32_t Count() const { return m_count; }
    void SetCount(std::int64_t count);
    ESeparator Separator() const { return m_separator; }
    void SetSeparator(ESeparator separator) { m_separator = separator; }

    // Next: the find of every object; its reply comes back as kind 30.
    static MsgPtr MakeRequest();
    // The reply: the lines of the objects (All, or the first Count of them), each selected; or
    // that the register is empty; or Failed (an engine error, already shown to the operator).
    EReply OnReply(const CObjectInfoMsg& reply);
    static std::string NoObjectsText();

    // The ticked fields of an object, each after the separator unless the line is still empty.
    std::string BuildLine(const CObjectInfoMsg& object) const;

    const std::vector<SLine>& Lines() const { return m_lines; }
    void SelectLine(std::size_t line, bool selected);
    // The selected lines in list order, each ended by CR LF.
    std::string FileContent() const;
    // Creates (or replaces) the file with FileContent(). False when it cannot be written whole.
    bool WriteFile(const std::string& path) const;
    static std::string WriteFailedText(const std::string& path);

private:
    std::array<bool, FIELD_COUNT> m_checked{};
    ERecords m_records = ERecords::All;
    std::int32_t m_count = 0;
    ESeparator m_separator = ESeparator::Semicolon;
    std::vector<SLine> m_lines;
};
