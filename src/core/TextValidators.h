#pragma once

#include <string>
#include <string_view>
#include <vector>

// Checks of the operator's input for ID codes, telephone numbers and recipient lists.
namespace TextValidators {

struct ListPart {
    std::string text;
    bool endsAtSeparator = false;
};

// Cuts a list at every ',' or ';' with spaces removed. Every part that ends at a separator is
// returned, also an empty one; the part after the last separator is returned only when it is not
// empty.
std::vector<ListPart> CutList(std::string_view text);

// An ID code of 6 to 8 digits, or an international number '+' followed by digits.
bool IsValidIdOrNumber(std::string_view text);

// Empty, or '+' followed by at least one digit.
bool IsValidOptionalIntlNumber(std::string_view text);

// E-mail addresses separated by ',' or ';'. Each address has at least 3 characters and an at sign
// that is neither its first nor its last character. An empty text is valid.
bool IsValidAddressList(std::string_view text);

// Telephone numbers separated by ',' or ';': each non-empty, every character after the first a
// digit. An empty text is valid.
bool IsValidNumberList(std::string_view text);

} // namespace TextValidators
