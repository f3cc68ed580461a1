#pragma once

#include <string>

// The XML toolkit (Xerces-C) of the process: initialised once, on first use, with the locale
// "en_US", and terminated when the process ends, after every dictionary is gone.
class CXmlToolkit {
public:
    // Initialises the toolkit on the first call; true when it is usable.
    static bool Ready();

    // Converts a toolkit string to UTF-8 (empty for nullptr). May throw the toolkit's
    // transcoding exception.
    static std::string ToUtf8(const char16_t* text);

    CXmlToolkit(const CXmlToolkit&) = delete;
    CXmlToolkit& operator=(const CXmlToolkit&) = delete;

private:
    CXmlToolkit();
    ~CXmlToolkit();

    bool m_ready = false;
};
