#include "Dictionary.h"

#include "BuiltInWordList.h"
#include "Translate.h"
#include "XmlToolkit.h"

#include <openssl/evp.h>
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLException.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>
#include <mutex>
#include <stdexcept>

using namespace xercesc;

namespace {

// Parser errors and fatal errors end the parse with the parser's message; warnings are ignored.
class CThrowingErrorHandler : public ErrorHandler {
public:
    void warning(const SAXParseException&) override {}
    void error(const SAXParseException& e) override { throw e; }
    void fatalError(const SAXParseException& e) override { throw e; }
    void resetErrors() override {}
};

// Replaces every occurrence of from by to, left to right; returns how many were replaced.
std::size_t ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    std::size_t count = 0;
    std::string result;
    std::size_t start = 0;
    for (std::size_t pos = text.find(from); pos != std::string::npos; pos = text.find(from, start)) {
        result.append(text, start, pos - start);
        result += to;
        start = pos + from.size();
        ++count;
    }
    if (count > 0) {
        result.append(text, start, std::string::npos);
        text = std::move(result);
    }
    return count;
}

void ReportParserError(const XMLCh* message) {
    std::string text;
    try {
        text = CXmlToolkit::ToUtf8(message);
    } catch (...) {
        text = "(message not readable)";
    }
    std::fprintf(stderr, "Exception message is: \n%s\n", text.c_str());
}

bool IsElement(const DOMNode* node, const char16_t* name) {
    return node->getNodeType() == DOMNode::ELEMENT_NODE && XMLString::equals(node->getNodeName(), name);
}

} // namespace

CDictionary::CDictionary() : m_toolkitReady(CXmlToolkit::Ready()) {}

CDictionary::~CDictionary() {
    try {
        if (m_installed) {
            Text::SetTranslator({});
        }
        std::unique_lock lock(m_tablesLock);
        m_tags.clear();
        m_languages.clear();
    } catch (...) {
        std::fprintf(stderr, "Unknown exception encountered in CDictionary's dtor\n");
    }
}

CDictionary& CDictionary::Instance() {
    static CDictionary dictionary;
    return dictionary;
}

bool CDictionary::Load() {
    return Load(CBuiltInWordList::Bytes());
}

bool CDictionary::Load(std::span<const unsigned char> wordList) {
    if (!CheckDigest(wordList)) {
        std::fprintf(stderr, "Word list integrity check failed\n");
        return false;
    }
    return Parse(wordList);
}

std::string CDictionary::Md5Hex(std::span<const unsigned char> bytes) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) {
        return {};
    }
    for (std::size_t offset = 0; offset < bytes.size(); offset += MD5_CHUNK) {
        const std::size_t length = std::min(MD5_CHUNK, bytes.size() - offset);
        if (EVP_DigestUpdate(context.get(), bytes.data() + offset, length) != 1) {
            return {};
        }
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int digestLength = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &digestLength) != 1) {
        return {};
    }
    static constexpr char HEX[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < digestLength; ++i) {
        text += HEX[digest[i] >> 4];
        text += HEX[digest[i] & 0x0F];
    }
    return text;
}

bool CDictionary::CheckDigest(std::span<const unsigned char> wordList) {
    if (wordList.size() < CBuiltInWordList::HEADER_SIZE) {
        return false;
    }
    const std::string computed = Md5Hex(wordList.subspan(CBuiltInWordList::HEADER_SIZE));
    if (computed.size() != CBuiltInWordList::DIGEST_LENGTH) {
        return false;
    }
    for (std::size_t i = 0; i < CBuiltInWordList::DIGEST_LENGTH; ++i) {
        const unsigned char stored = wordList[CBuiltInWordList::DIGEST_OFFSET + i];
        if (std::tolower(stored) != computed[i]) {
            return false;
        }
    }
    return true;
}

std::string CDictionary::Unescape(std::string text) {
    static const std::string BACKSLASH = "\\";
    const std::pair<char, char> escapes[] = {{'n', '\n'}, {'r', '\r'}, {'t', '\t'}};
    for (const auto& [letter, control] : escapes) {
        if (ReplaceAll(text, BACKSLASH + letter, std::string(1, control)) > 0) {
            // A doubled backslash before the letter was meant literally: put it back.
            ReplaceAll(text, BACKSLASH + control, BACKSLASH + BACKSLASH + letter);
        }
    }
    return text;
}

void CDictionary::AddLanguage(const std::string& code) {
    if (std::find(m_languages.begin(), m_languages.end(), code) == m_languages.end()) {
        m_languages.push_back(code);
    }
}

bool CDictionary::Parse(std::span<const unsigned char> wordList) {
    if (!m_toolkitReady) {
        std::fprintf(stderr, "Unexpected Exception \n");
        return false;
    }
    std::unique_lock lock(m_tablesLock);
    try {
        XercesDOMParser parser;
        CThrowingErrorHandler errorHandler;
        SecurityManager securityManager;
        parser.setValidationScheme(XercesDOMParser::Val_Never);
        parser.setDoNamespaces(false);
        parser.setDoSchema(false);
        parser.setLoadExternalDTD(false);
        parser.setDisableDefaultEntityResolution(true);
        parser.setCreateEntityReferenceNodes(false);
        parser.setSecurityManager(&securityManager);
        parser.setErrorHandler(&errorHandler);

        MemBufInputSource source(reinterpret_cast<const XMLByte*>(wordList.data()), wordList.size(),
                                 "WORDLIST");
        parser.parse(source);

        const DOMDocument* document = parser.getDocument();
        const DOMElement* root = document == nullptr ? nullptr : document->getDocumentElement();
        if (root == nullptr) {
            throw std::runtime_error("empty XML document");
        }
        for (const DOMNode* node = root->getFirstChild(); node != nullptr; node = node->getNextSibling()) {
            if (!IsElement(node, u"tag")) {
                continue;
            }
            const auto* tagElement = static_cast<const DOMElement*>(node);
            CDictionaryTag tag(CXmlToolkit::ToUtf8(tagElement->getAttribute(u"name")));
            for (const DOMNode* child = node->getFirstChild(); child != nullptr;
                 child = child->getNextSibling()) {
                if (!IsElement(child, u"entry")) {
                    continue;
                }
                const auto* entry = static_cast<const DOMElement*>(child);
                const std::string language = CXmlToolkit::ToUtf8(entry->getAttribute(u"lang"));
                AddLanguage(language);
                if (!tag.AddText(language, Unescape(CXmlToolkit::ToUtf8(entry->getTextContent())))) {
                    std::fprintf(stderr, "Error: Translation already exists\n");
                }
            }
            std::string name = tag.GetName();
            m_tags.insert_or_assign(std::move(name), std::move(tag));
        }
        return true;
    } catch (const SAXParseException& e) {
        ReportParserError(e.getMessage());
    } catch (const XMLException& e) {
        ReportParserError(e.getMessage());
    } catch (const DOMException& e) {
        ReportParserError(e.getMessage());
    } catch (...) {
        std::fprintf(stderr, "Unexpected Exception \n");
    }
    return false;
}

std::string CDictionary::Translate(const std::string& tag) const {
    std::shared_lock lock(m_tablesLock);
    const auto it = m_tags.find(tag);
    if (it == m_tags.end() || !it->second.HasTexts()) {
        return NOT_AVAILABLE;
    }
    const int current = m_current.load(std::memory_order_acquire);
    if (current < 0 || static_cast<std::size_t>(current) >= m_languages.size()) {
        return NOT_AVAILABLE;
    }
    const std::string* text = it->second.GetText(m_languages[static_cast<std::size_t>(current)]);
    if (text == nullptr || text->empty()) {
        return NOT_AVAILABLE;
    }
    return *text;
}

bool CDictionary::SetLanguage(const std::string& code) {
    std::shared_lock lock(m_tablesLock);
    const auto it = std::find(m_languages.begin(), m_languages.end(), code);
    if (it == m_languages.end()) {
        return false;
    }
    m_current.store(static_cast<int>(it - m_languages.begin()), std::memory_order_release);
    return true;
}

std::vector<std::string> CDictionary::GetLanguages() const {
    std::shared_lock lock(m_tablesLock);
    return m_languages;
}

std::string CDictionary::GetLanguage() const {
    std::shared_lock lock(m_tablesLock);
    const int current = m_current.load(std::memory_order_acquire);
    if (current < 0 || static_cast<std::size_t>(current) >= m_languages.size()) {
        return {};
    }
    return m_languages[static_cast<std::size_t>(current)];
}

void CDictionary::InstallAsTranslator() {
    Text::SetTranslator([this](const std::string& tag) { return Translate(tag); });
    m_installed = true;
}

std::vector<std::string> CDictionary::GetTagNames() const {
    std::shared_lock lock(m_tablesLock);
    std::vector<std::string> names;
    names.reserve(m_tags.size());
    for (const auto& [name, tag] : m_tags) {
        names.push_back(name);
    }
    return names;
}

bool CDictionary::GetText(const std::string& tag, const std::string& language, std::string& text) const {
    std::shared_lock lock(m_tablesLock);
    const auto it = m_tags.find(tag);
    if (it == m_tags.end()) {
        return false;
    }
    const std::string* found = it->second.GetText(language);
    if (found == nullptr) {
        return false;
    }
    text = *found;
    return true;
}
