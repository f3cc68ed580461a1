#pragma once

#include "Dictionary.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

// Builds word lists in the layout of the built-in one, for feeding the loader in tests.
namespace WordListMaker {

using Bytes = std::vector<unsigned char>;

// The 83-byte header with the digest of the body, then the body.
inline Bytes WithHeader(const std::string& body, bool upperCaseDigest = true) {
    const Bytes bodyBytes(body.begin(), body.end());
    std::string digest = CDictionary::Md5Hex(bodyBytes);
    if (upperCaseDigest) {
        std::transform(digest.begin(), digest.end(), digest.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    }
    const std::string header =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!--" + digest + "-->\n";
    Bytes list(header.begin(), header.end());
    list.insert(list.end(), bodyBytes.begin(), bodyBytes.end());
    return list;
}

// One tag element with its entries in the given order.
inline std::string Tag(const std::string& name,
                       std::initializer_list<std::pair<std::string, std::string>> entries) {
    std::string xml = "  <tag name=\"" + name + "\">\r\n";
    for (const auto& [language, text] : entries) {
        xml += "    <entry lang=\"" + language + "\">" + text + "</entry>\r\n";
    }
    return xml + "  </tag>\r\n";
}

// The root element around the given tag elements.
inline std::string Body(const std::string& tags) {
    return "<dictionary date=\"2020-11-05 12:47:47\">\r\n" + tags + "</dictionary>\r\n";
}

inline Bytes List(const std::string& tags) {
    return WithHeader(Body(tags));
}

} // namespace WordListMaker
