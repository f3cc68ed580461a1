#pragma once

#include "SettingsPages.h"

#include <QDialog>
#include <QString>

#include <vector>

class CDictionary;
class CMORADoc;
class QLineEdit;
class QPushButton;
class QTabWidget;

// One page of the settings sheet: copies its settings in and out, and checks its fields when it is
// left (another tab, or OK).
class CSettingsPage : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    virtual QString Caption() const = 0;

    // Fills the page's controls from the settings.
    void Load(const SSettingsValues& values) {
        m_loaded = values;
        LoadPage(values);
    }
    // Writes the members whose control the operator changed, so that a value another part of the
    // station changed while the sheet was open is not set back. A number field that fails its
    // range writes nothing.
    void Store(SSettingsValues& values) const { StorePage(values); }

    // False (after telling the operator and focusing the field) when the page must stay.
    virtual bool OnKillActive() { return true; }
    virtual void OnSetActive() {}

protected:
    virtual void LoadPage(const SSettingsValues& values) = 0;
    virtual void StorePage(SSettingsValues& values) const = 0;

    // Puts a control's value into a member when it differs from what the page was loaded with.
    template <class T, class V>
    void Put(SSettingsValues& values, T SSettingsValues::*member, const V& now) const {
        const T value = static_cast<T>(now);
        if (!(value == m_loaded.*member)) {
            values.*member = value;
        }
    }
    const SSettingsValues& Loaded() const { return m_loaded; }

    // A field for a number of the range: digits only, at most as many as the upper limit has.
    QLineEdit* NumberField(const char* objectName, CSettingsPages::SRange range);
    static void SetNumber(QLineEdit* field, int value);
    // Gives labels of several groups one width, so that their fields line up down the page.
    static void AlignLabels(const std::vector<QWidget*>& labels);
    // The field's number when it is inside the range; otherwise the range message, the field's
    // text selected and focused, and false.
    bool CheckNumber(QLineEdit* field, CSettingsPages::SRange range, int& value);
    // The field's number when it is inside the range, without telling anybody.
    static bool ReadNumber(const QLineEdit* field, CSettingsPages::SRange range, int& value);

private:
    SSettingsValues m_loaded;
};

// The settings dialog: its pages in one sheet.
class CSettingsSheet : public QDialog {
    Q_OBJECT
public:
    CSettingsSheet(CMORADoc& doc, QWidget* parent);

    // Runs the dialog modally on the document's settings; returns the changed settings groups
    // (SETTINGS_GROUP_*), 0 when nothing changed or the operator cancelled.
    static unsigned Run(CMORADoc& doc, QWidget* parent);

    // The dictionary whose language the Language page shows and sets (the program's, set once at
    // start-up; without it the process-wide instance).
    static void SetDictionary(CDictionary* dictionary);
    static CDictionary& Dictionary();

    unsigned ChangedGroups() const { return m_groups; }
    CSettingsPage* Page(int index) const { return m_pages.at(static_cast<std::size_t>(index)); }
    int CurrentPage() const { return m_current; }

    void accept() override;

private:
    void OnTabChanged(int index);
    void ShowPage(int index);

    CMORADoc& m_doc;
    QTabWidget* m_tabs = nullptr;
    std::vector<CSettingsPage*> m_pages;
    int m_current = 0;
    unsigned m_groups = 0;
};
