#include "XmlToolkit.h"

#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLException.hpp>

#include <cstdio>
#include <type_traits>

using namespace xercesc;

static_assert(std::is_same_v<XMLCh, char16_t>, "the toolkit's characters must be char16_t");

namespace {

// For messages that arrive when the toolkit's own transcoder is gone: ASCII only.
std::string Narrow(const XMLCh* text) {
    std::string result;
    for (; text != nullptr && *text != 0; ++text) {
        result += *text < 0x80 ? static_cast<char>(*text) : '?';
    }
    return result;
}

} // namespace

CXmlToolkit::CXmlToolkit() {
    try {
        XMLPlatformUtils::Initialize("en_US");
        m_ready = true;
    } catch (const XMLException& e) {
        std::fprintf(stderr, "Error during initialization! :\n%s\n", Narrow(e.getMessage()).c_str());
    } catch (...) {
        std::fprintf(stderr, "Error during initialization! :\n");
    }
}

CXmlToolkit::~CXmlToolkit() {
    if (!m_ready) {
        return;
    }
    try {
        XMLPlatformUtils::Terminate();
    } catch (const XMLException& e) {
        std::fprintf(stderr, "XML toolkit teardown error: %s\n", Narrow(e.getMessage()).c_str());
    } catch (...) {
        std::fprintf(stderr, "XML toolkit teardown error: unknown\n");
    }
}

bool CXmlToolkit::Ready() {
    // Constructed on first use; a function-local static is destroyed after every object that
    // was completed after it, so the dictionaries go first.
    static CXmlToolkit toolkit;
    return toolkit.m_ready;
}

std::string CXmlToolkit::ToUtf8(const char16_t* text) {
    if (text == nullptr || *text == 0) {
        return {};
    }
    TranscodeToStr utf8(text, "UTF-8");
    return std::string(reinterpret_cast<const char*>(utf8.str()), utf8.length());
}
