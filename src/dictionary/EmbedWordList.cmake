# Turns the word list body into built-in data: writes the 83-byte header (byte-order mark, XML
# declaration, CR LF, the MD5 digest of the body in a comment, LF) in front of the body and emits
# the whole list as a C++ byte array.
#   cmake -DBODY=<Dictionary.xml> -DOUTPUT=<generated .cpp> -P EmbedWordList.cmake

if(NOT BODY OR NOT OUTPUT)
    message(FATAL_ERROR "EmbedWordList: BODY and OUTPUT are required")
endif()

file(MD5 "${BODY}" digest)
string(TOUPPER "${digest}" digest)

set(declaration "<?xml version=\"1.0\" encoding=\"utf-8\"?>")
string(HEX "${declaration}\r\n<!--${digest}-->\n" header_hex)
set(hex "efbbbf${header_hex}")
string(LENGTH "${hex}" header_digits)
if(NOT header_digits EQUAL 166)
    message(FATAL_ERROR "EmbedWordList: header is ${header_digits} hex digits, expected 166 (83 bytes)")
endif()

file(READ "${BODY}" body_hex HEX)
string(LENGTH "${body_hex}" body_digits)
if(body_digits EQUAL 0)
    message(FATAL_ERROR "EmbedWordList: ${BODY} is empty")
endif()
string(APPEND hex "${body_hex}")
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")

# 24 bytes per source line.
string(REGEX REPLACE "([0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f])"
       "\\1\n" hex "${hex}")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")

file(WRITE "${OUTPUT}.tmp"
"// Generated from Dictionary.xml by EmbedWordList.cmake. Do not edit.
#include \"BuiltInWordList.h\"

namespace {
const unsigned char WORD_LIST[${size}] = {
${bytes}
};
} // namespace

std::span<const unsigned char> CBuiltInWordList::Bytes() { return {WORD_LIST, sizeof WORD_LIST}; }

const char* CBuiltInWordList::Digest() { return \"${digest}\"; }
")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
