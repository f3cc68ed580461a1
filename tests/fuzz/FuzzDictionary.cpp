// The dictionary loader on a word list with a correct digest, so that the XML itself is tried;
// byte 0 odd: the bytes go to the loader as they are (digest and all).
#include "BuiltInWordList.h"
#include "Dictionary.h"
#include "Utf8.h"

#include <cstdlib>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    std::vector<unsigned char> list;
    if ((data[0] & 1) != 0) {
        list.assign(data + 1, data + size);
    } else {
        const std::vector<unsigned char> body(data + 1, data + size);
        const std::string header = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<!--" +
                                   CDictionary::Md5Hex(body) + "-->\n";
        if (header.size() != CBuiltInWordList::HEADER_SIZE) {
            std::abort();
        }
        list.assign(header.begin(), header.end());
        list.insert(list.end(), body.begin(), body.end());
    }
    CDictionary dictionary;
    dictionary.Load(list);
    // Whatever was read can be used: every text of every language is valid text.
    for (const std::string& language : dictionary.GetLanguages()) {
        if (!dictionary.SetLanguage(language)) {
            std::abort();
        }
        for (const std::string& tag : dictionary.GetTagNames()) {
            const std::string text = dictionary.Translate(tag);
            if (Utf8::Sanitize(text) != text) {
                std::abort();
            }
        }
    }
    return 0;
}
