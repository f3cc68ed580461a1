#pragma once

#include <QDialog>

#include <array>
#include <string>

class QLineEdit;

// Edits the ten operator names.
class COperatorsDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int MAX_NAME_CHARS = 30;

    COperatorsDlg(QWidget* parent, const std::array<std::string, 10>& names);

    // Modal. True on OK with the ten edited names in `names`; false on Cancel (names unchanged).
    static bool Run(QWidget* parent, std::array<std::string, 10>& names);

    // The names as typed: not checked, not trimmed.
    std::array<std::string, 10> Names() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    std::array<QLineEdit*, 10> m_fields{};
};
