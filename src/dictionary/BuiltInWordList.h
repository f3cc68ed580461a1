#pragma once

#include <cstddef>
#include <span>

// The word list built into the program: the 83-byte header with the digest, then the body of
// Dictionary.xml. The build generates the data; the program never reads the list from disk.
class CBuiltInWordList {
public:
    // Byte offsets of the header.
    static constexpr std::size_t DIGEST_OFFSET = 47;
    static constexpr std::size_t DIGEST_LENGTH = 32;
    static constexpr std::size_t HEADER_SIZE = 83;

    static std::span<const unsigned char> Bytes();

    // The digest written into the header, in upper-case hexadecimal.
    static const char* Digest();
};
