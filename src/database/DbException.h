#pragma once

#include <stdexcept>
#include <string>

// An error of the database engine. It is thrown only inside this library and caught by each
// table operation, which reports it to the operator and turns it into the reply's error code.
class CDbException : public std::runtime_error {
public:
    CDbException(int code, const std::string& description) : std::runtime_error(description), m_code(code) {}

    // The engine's (extended) result code.
    int Code() const { return m_code; }
    // The engine's own description of the error.
    std::string Description() const { return what(); }

private:
    int m_code;
};
