// Loading a word list: the integrity check on the raw bytes, the parse, and damaged lists.
#include "BuiltInWordList.h"
#include "Dictionary.h"
#include "WordListMaker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace WordListMaker;

namespace {

Bytes BuiltIn() {
    const auto bytes = CBuiltInWordList::Bytes();
    return Bytes(bytes.begin(), bytes.end());
}

// Loads a list and returns what the loader wrote to standard error.
std::string LoadCapturingErrors(CDictionary& dictionary, const Bytes& list, bool& loaded) {
    testing::internal::CaptureStderr();
    loaded = dictionary.Load(list);
    return testing::internal::GetCapturedStderr();
}

const std::string TWO_TAGS = Tag("IDS_IDOK", {{"en", "OK"}, {"de", "OK"}}) +
                             Tag("IDS_IDCANCEL", {{"en", "Cancel"}, {"de", "Abbrechen"}});

} // namespace

TEST(BuiltInWordList, HasTheHeaderLayoutWithTheDigestOfTheBody) {
    const auto bytes = CBuiltInWordList::Bytes();
    ASSERT_GT(bytes.size(), CBuiltInWordList::HEADER_SIZE);
    const std::string header(bytes.begin(), bytes.begin() + CBuiltInWordList::HEADER_SIZE);
    EXPECT_EQ(header.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_EQ(header.substr(3, 38), "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
    EXPECT_EQ(header.substr(41, 2), "\r\n");
    EXPECT_EQ(header.substr(43, 4), "<!--");
    EXPECT_EQ(header.substr(47, 32), CBuiltInWordList::Digest());
    EXPECT_EQ(header.substr(79, 3), "-->");
    EXPECT_EQ(header.substr(82, 1), "\n");

    // The digest is written in upper case and is the MD5 of everything after the header.
    std::string lower = CDictionary::Md5Hex(bytes.subspan(CBuiltInWordList::HEADER_SIZE));
    std::string upper;
    for (char c : lower) {
        upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(upper, CBuiltInWordList::Digest());

    // Every line of the body ends with CR LF.
    for (std::size_t i = CBuiltInWordList::HEADER_SIZE; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ASSERT_EQ(bytes[i - 1], '\r') << "bare line feed at byte " << i;
        }
        if (bytes[i] == '\r') {
            ASSERT_TRUE(i + 1 < bytes.size() && bytes[i + 1] == '\n') << "bare carriage return at byte " << i;
        }
    }
    EXPECT_EQ(bytes.back(), '\n');
}

TEST(BuiltInWordList, LoadsWithItsFourLanguagesInOrder) {
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load());
    EXPECT_EQ(dictionary.GetLanguages(), (std::vector<std::string>{"en", "de", "fr", "se"}));
    EXPECT_GT(dictionary.GetTagNames().size(), 700u); // the exact count is checked against the file
    // Loaded, but no language yet: every lookup is "*NA*".
    EXPECT_EQ(dictionary.GetLanguage(), "");
    EXPECT_EQ(dictionary.Translate("IDS_IDOK"), "*NA*");
    ASSERT_TRUE(dictionary.SetLanguage("en"));
    EXPECT_EQ(dictionary.Translate("IDS_IDOK"), "OK");
}

TEST(Md5, MatchesKnownDigestsAcrossTheChunkBoundary) {
    EXPECT_EQ(CDictionary::Md5Hex(Bytes{}), "d41d8cd98f00b204e9800998ecf8427e");
    const std::string abc = "abc";
    EXPECT_EQ(CDictionary::Md5Hex(Bytes(abc.begin(), abc.end())), "900150983cd24fb0d6963f7d28e17f72");
    // 2 MiB + 1 bytes go through two updates and must give the digest of the whole.
    const Bytes big(CDictionary::MD5_CHUNK + 1, 'a');
    EXPECT_EQ(CDictionary::Md5Hex(big), "f0a5d0aa0b425bf89a75a696a7c80347");
}

TEST(IntegrityCheck, AnyChangedByteAfterTheHeaderFailsTheLoad) {
    const Bytes good = BuiltIn();
    ASSERT_TRUE(CDictionary::CheckDigest(good));
    // A spread of positions over the whole body, including its first and last byte.
    std::vector<std::size_t> positions = {CBuiltInWordList::HEADER_SIZE, good.size() - 1};
    for (std::size_t p = CBuiltInWordList::HEADER_SIZE + 1; p < good.size(); p += good.size() / 97) {
        positions.push_back(p);
    }
    for (const std::size_t p : positions) {
        Bytes damaged = good;
        damaged[p] ^= 0x01;
        EXPECT_FALSE(CDictionary::CheckDigest(damaged)) << "byte " << p;
    }
    Bytes damaged = good;
    damaged[good.size() / 2] ^= 0x20;
    CDictionary dictionary;
    bool loaded = true;
    const std::string errors = LoadCapturingErrors(dictionary, damaged, loaded);
    EXPECT_FALSE(loaded);
    EXPECT_NE(errors.find("integrity"), std::string::npos);
    // Nothing was parsed.
    EXPECT_TRUE(dictionary.GetTagNames().empty());
    EXPECT_TRUE(dictionary.GetLanguages().empty());
}

TEST(IntegrityCheck, DigestCaseDoesNotMatterButTheDigestBytesDo) {
    CDictionary lowerCase;
    EXPECT_TRUE(lowerCase.Load(WithHeader(Body(TWO_TAGS), false)));

    Bytes wrongDigit = List(TWO_TAGS);
    wrongDigit[CBuiltInWordList::DIGEST_OFFSET + 5] =
        wrongDigit[CBuiltInWordList::DIGEST_OFFSET + 5] == '0' ? '1' : '0';
    EXPECT_FALSE(CDictionary::CheckDigest(wrongDigit));
}

TEST(IntegrityCheck, TheDeclarationIsNotCoveredByTheDigest) {
    Bytes list = BuiltIn();
    // "utf-8" -> "UTF-8" in the XML declaration (bytes 3 to 40).
    const std::string header(list.begin(), list.begin() + 41);
    const std::size_t at = header.find("utf-8");
    ASSERT_NE(at, std::string::npos);
    for (std::size_t i = 0; i < 3; ++i) {
        list[at + i] = static_cast<unsigned char>(std::toupper(list[at + i]));
    }
    EXPECT_TRUE(CDictionary::CheckDigest(list));
    CDictionary dictionary;
    EXPECT_TRUE(dictionary.Load(list));
}

TEST(DamagedWordList, TruncatedListsFail) {
    const Bytes good = BuiltIn();
    for (const std::size_t size : {std::size_t{0}, std::size_t{46}, std::size_t{82}, std::size_t{83},
                                   good.size() / 2, good.size() - 1}) {
        CDictionary dictionary;
        bool loaded = true;
        LoadCapturingErrors(dictionary, Bytes(good.begin(), good.begin() + static_cast<long>(size)), loaded);
        EXPECT_FALSE(loaded) << "size " << size;
    }
}

TEST(DamagedWordList, MalformedXmlWithAValidDigestReportsTheParserMessage) {
    const std::vector<std::string> bodies = {
        // cut in the middle of an element, digest recomputed
        Body(TWO_TAGS).substr(0, 120),
        // mismatched end tag
        "<dictionary date=\"x\">\r\n  <tag name=\"A\"><entry "
        "lang=\"en\">a</tag></entry>\r\n</dictionary>\r\n",
        // undefined entity
        Body(Tag("A", {{"en", "&nbsp;"}})),
        // text after the root element
        Body(TWO_TAGS) + "<dictionary/>\r\n",
        // binary garbage
        std::string("\x01\x02\xFF\xFE<<<>>>\x00\x7F", 12),
    };
    for (const std::string& body : bodies) {
        CDictionary dictionary;
        bool loaded = true;
        const std::string errors = LoadCapturingErrors(dictionary, WithHeader(body), loaded);
        EXPECT_FALSE(loaded) << body;
        EXPECT_EQ(errors.rfind("Exception message is: \n", 0), 0u) << errors;
        EXPECT_GT(errors.size(), std::string("Exception message is: \n").size()) << "no parser message";
    }
}

TEST(DamagedWordList, AnEmptyDocumentFails) {
    for (const std::string& body :
         {std::string(""), std::string("\r\n"), std::string("<!-- nothing -->\r\n")}) {
        CDictionary dictionary;
        bool loaded = true;
        const std::string errors = LoadCapturingErrors(dictionary, WithHeader(body), loaded);
        EXPECT_FALSE(loaded);
        const bool reported = errors.rfind("Exception message is: \n", 0) == 0 ||
                              errors.rfind("Unexpected Exception \n", 0) == 0;
        EXPECT_TRUE(reported) << errors;
    }
}

TEST(DamagedWordList, EntitiesCannotReachOutsideOrExplode) {
    // An external entity is never fetched: the list fails.
    const std::string external = "<!DOCTYPE dictionary [<!ENTITY ext SYSTEM \"/etc/hostname\">]>\r\n" +
                                 Body(Tag("A", {{"en", "x&ext;y"}}));
    CDictionary first;
    bool loaded = true;
    std::string errors = LoadCapturingErrors(first, WithHeader(external), loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(errors.rfind("Exception message is: \n", 0), 0u) << errors;

    // Nested entities that would expand to gigabytes are stopped by the parser's limit.
    std::string doctype = "<!DOCTYPE dictionary [<!ENTITY e0 \"xxxxxxxxxx\">";
    for (int i = 1; i < 10; ++i) {
        doctype += "<!ENTITY e" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j) {
            doctype += "&e" + std::to_string(i - 1) + ";";
        }
        doctype += "\">";
    }
    doctype += "]>\r\n";
    CDictionary second;
    errors = LoadCapturingErrors(second, WithHeader(doctype + Body(Tag("A", {{"en", "&e9;"}}))), loaded);
    EXPECT_FALSE(loaded);
    EXPECT_EQ(errors.rfind("Exception message is: \n", 0), 0u) << errors;
}

TEST(WordListParse, SkipsForeignNodesAndKeepsTheFirstOfTwoTextsOfALanguage) {
    const std::string tags = "  <!-- a comment -->\r\n  <note>ignored</note>\r\n" +
                             Tag("Tag", {{"en", "a tag called Tag"}}) +
                             "  <Tag name=\"UPPER\"><entry lang=\"en\">skipped</entry></Tag>\r\n"
                             "  <tag name=\"A\"><entry lang=\"en\">first</entry><remark>x</remark>"
                             "<entry lang=\"en\">second</entry><Entry lang=\"de\">skipped</Entry></tag>\r\n";
    CDictionary dictionary;
    bool loaded = false;
    const std::string errors = LoadCapturingErrors(dictionary, List(tags), loaded);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(errors, "Error: Translation already exists\n");
    EXPECT_EQ(dictionary.GetTagNames(), (std::vector<std::string>{"A", "Tag"}));
    ASSERT_TRUE(dictionary.SetLanguage("en"));
    EXPECT_EQ(dictionary.Translate("A"), "first");
    EXPECT_EQ(dictionary.GetLanguages(), std::vector<std::string>{"en"});
}

TEST(WordListParse, ALaterTagElementReplacesTheEarlierOne) {
    const std::string tags =
        Tag("A", {{"en", "old"}, {"de", "alt"}}) + Tag("B", {{"en", "b"}}) + Tag("A", {{"fr", "nouveau"}});
    CDictionary dictionary;
    ASSERT_TRUE(dictionary.Load(List(tags)));
    // Languages are listed in the order first met.
    EXPECT_EQ(dictionary.GetLanguages(), (std::vector<std::string>{"en", "de", "fr"}));
    ASSERT_TRUE(dictionary.SetLanguage("en"));
    EXPECT_EQ(dictionary.Translate("A"), "*NA*");
    EXPECT_EQ(dictionary.Translate("B"), "b");
    ASSERT_TRUE(dictionary.SetLanguage("fr"));
    EXPECT_EQ(dictionary.Translate("A"), "nouveau");
}
